#pragma once

// The program's start-up sequence, run by the framework before it delivers Open: binds the
// plug-in, defines the file types, creates and registers the application object with its menu
// bar, and creates the configuration window hidden as the default window.
void TessarineStartup();
