// A stand-in for GIO's metadata daemon on a test's own session bus: it takes the daemon's name,
// names a tree of its own for every device, and appends each Set call it receives to the file
// given as its argument, as the tree file, a tab and the path, one line each. The file is made
// once the name is ours. It runs until it is killed.
#include <gio/gio.h>

#include <cstdio>

namespace {

constexpr const char* kInterface =
    "<node><interface name='org.gtk.vfs.Metadata'>"
    "<method name='GetTreeFromDevice'><arg type='u' direction='in'/><arg type='u' direction='in'/>"
    "<arg type='s' direction='out'/></method>"
    "<method name='Set'><arg type='ay' direction='in'/><arg type='ay' direction='in'/>"
    "<arg type='a{sv}' direction='in'/></method>"
    "</interface></node>";

const char* gRecord = nullptr;

void Called(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* method, GVariant* parameters,
            GDBusMethodInvocation* invocation, gpointer) {
  if (g_strcmp0(method, "GetTreeFromDevice") == 0) {
    g_dbus_method_invocation_return_value(invocation, g_variant_new("(s)", "stand-in-tree"));
    return;
  }
  GVariant* tree = g_variant_get_child_value(parameters, 0);
  GVariant* path = g_variant_get_child_value(parameters, 1);
  if (FILE* record = std::fopen(gRecord, "a")) {
    std::fprintf(record, "%s\t%s\n", g_variant_get_bytestring(tree), g_variant_get_bytestring(path));
    std::fclose(record);
  }
  g_variant_unref(tree);
  g_variant_unref(path);
  g_dbus_method_invocation_return_value(invocation, nullptr);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  gRecord = argv[1];
  GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
  GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(kInterface, nullptr);
  if (bus == nullptr || node == nullptr) return 1;
  const GDBusInterfaceVTable table = {Called, nullptr, nullptr, {}};
  if (g_dbus_connection_register_object(bus, "/org/gtk/vfs/metadata", node->interfaces[0], &table, nullptr, nullptr,
                                        nullptr) == 0) {
    return 1;
  }
  GVariant* owned = g_dbus_connection_call_sync(
      bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "RequestName",
      g_variant_new("(su)", "org.gtk.vfs.Metadata", 4u), G_VARIANT_TYPE("(u)"), G_DBUS_CALL_FLAGS_NONE, -1, nullptr,
      nullptr);
  if (owned == nullptr) return 1;
  g_variant_unref(owned);
  if (FILE* record = std::fopen(gRecord, "a")) std::fclose(record);
  g_main_loop_run(g_main_loop_new(nullptr, FALSE));
  return 0;
}
