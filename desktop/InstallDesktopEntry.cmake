# Run by cmake --install: writes tessarine.desktop for the install-time prefix and installs it.
# Expects TESSARINE_DESKTOP_TEMPLATE and TESSARINE_DESKTOP_OUTPUT.
set(exec "${CMAKE_INSTALL_PREFIX}/bin/tessarine")
# The path as a quoted Exec argument (", `, $ and \ take a backslash) ...
string(REPLACE "\\" "\\\\" exec "${exec}")
string(REPLACE "\"" "\\\"" exec "${exec}")
string(REPLACE "`" "\\`" exec "${exec}")
string(REPLACE "$" "\\$" exec "${exec}")
# ... inside a desktop-entry string, whose own escape doubles every backslash; % is a field code.
string(REPLACE "\\" "\\\\" exec "${exec}")
string(REPLACE "%" "%%" exec "${exec}")
set(TESSARINE_EXEC "\"${exec}\"")
configure_file("${TESSARINE_DESKTOP_TEMPLATE}" "${TESSARINE_DESKTOP_OUTPUT}" @ONLY)
file(INSTALL DESTINATION "${CMAKE_INSTALL_PREFIX}/share/applications" TYPE FILE
     FILES "${TESSARINE_DESKTOP_OUTPUT}")
