#include "plugin/gio/DesktopLauncher.h"

#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>

#include "framework/SessionBus.h"
#include <unistd.h>

namespace {

// GLib's child-setup hook: the program gets a session of its own, so a hang-up or interrupt of our
// terminal does not reach it. It runs between fork and exec, so it makes async-signal-safe calls only.
void Detach(gpointer) { setsid(); }

std::string ProgramOf(const char* commandLine) {
  gint count = 0;
  gchar** arguments = nullptr;
  if (!g_shell_parse_argv(commandLine, &count, &arguments, nullptr)) return std::string();
  std::string program = count > 0 ? arguments[0] : "";
  g_strfreev(arguments);
  return program;
}

bool ProgramFound(const std::string& program) {
  gchar* found = g_find_program_in_path(program.c_str());
  g_free(found);
  return found != nullptr;
}

}  // namespace

bool DesktopLauncher::Launch(const std::string& launcherPath, const std::vector<std::string>& documentPaths,
                             std::string& error) {
  GDesktopAppInfo* info = g_desktop_app_info_new_from_filename(launcherPath.c_str());
  if (info == nullptr) {
    error = WhyUnusable(launcherPath);
    return false;
  }
  // A hidden launcher stands for a deleted application.
  if (g_desktop_app_info_get_is_hidden(info)) {
    g_object_unref(info);
    error = "the launcher is hidden (Hidden=true), so its application counts as removed";
    return false;
  }

  GList* uris = nullptr;
  bool converted = true;
  for (const std::string& path : documentPaths) {
    GError* failure = nullptr;
    gchar* uri = g_filename_to_uri(path.c_str(), nullptr, &failure);
    if (uri == nullptr) {
      error = std::string("cannot name the document as a URI: ") + failure->message;
      g_clear_error(&failure);
      converted = false;
      break;
    }
    uris = g_list_append(uris, uri);
  }

  bool launched = false;
  if (converted) {
    // GIO announces the launch on the session bus, and would wait for good on one that never answers.
    SessionBus::KeepOffSilentBus();
    GAppLaunchContext* context = g_app_launch_context_new();
    // The program gets the user's own bus, even when this process keeps off a silent one.
    if (const std::optional<SessionBus::UserVariable> user = SessionBus::Redirected()) {
      if (user->value) {
        g_app_launch_context_setenv(context, "DBUS_SESSION_BUS_ADDRESS", user->value->c_str());
      } else {
        g_app_launch_context_unsetenv(context, "DBUS_SESSION_BUS_ADDRESS");
      }
    }
    GError* failure = nullptr;
    // No G_SPAWN_DO_NOT_REAP_CHILD: GLib then detaches the program itself (double fork).
    launched = g_desktop_app_info_launch_uris_as_manager(info, uris, context, G_SPAWN_SEARCH_PATH,
                                                         &Detach, nullptr, nullptr,
                                                         nullptr, &failure);
    if (!launched) {
      error = failure != nullptr ? failure->message : "the launcher's program could not be started";
      g_clear_error(&failure);
    }
    g_object_unref(context);
  }
  g_list_free_full(uris, g_free);
  g_object_unref(info);
  return launched;
}

std::string DesktopLauncher::WhyUnusable(const std::string& launcherPath) {
  GKeyFile* keys = g_key_file_new();
  GError* failure = nullptr;
  std::string reason;
  if (!g_key_file_load_from_file(keys, launcherPath.c_str(), G_KEY_FILE_NONE, &failure)) {
    reason = std::string("not a readable launcher: ") + failure->message;
    g_clear_error(&failure);
  } else if (!g_key_file_has_group(keys, G_KEY_FILE_DESKTOP_GROUP)) {
    reason = "not a launcher: no [Desktop Entry] group";
  } else {
    gchar* type = g_key_file_get_string(keys, G_KEY_FILE_DESKTOP_GROUP, G_KEY_FILE_DESKTOP_KEY_TYPE, nullptr);
    gchar* tryExec =
        g_key_file_get_string(keys, G_KEY_FILE_DESKTOP_GROUP, G_KEY_FILE_DESKTOP_KEY_TRY_EXEC, nullptr);
    gchar* exec = g_key_file_get_string(keys, G_KEY_FILE_DESKTOP_GROUP, G_KEY_FILE_DESKTOP_KEY_EXEC, nullptr);
    if (type == nullptr || g_strcmp0(type, G_KEY_FILE_DESKTOP_TYPE_APPLICATION) != 0) {
      reason = std::string("the launcher is not of Type=Application but ") + (type ? type : "of no type");
    } else if (tryExec != nullptr && tryExec[0] != '\0' && !ProgramFound(tryExec)) {
      reason = std::string("the launcher's TryExec program is not installed: ") + tryExec;
    } else if (exec != nullptr && exec[0] != '\0') {
      const std::string program = ProgramOf(exec);
      if (program.empty()) {
        reason = std::string("the launcher's Exec line cannot be parsed: ") + exec;
      } else if (!ProgramFound(program)) {
        reason = "the launcher's program is not installed or not executable: " + program;
      }
    }
    g_free(type);
    g_free(tryExec);
    g_free(exec);
  }
  g_key_file_free(keys);
  return reason.empty() ? "not a usable application launcher" : reason;
}
