// UDisks2 on the system bus (GDBus): the mounted file systems of removable drives with their
// UUID and label (known without reading the device), unmounting one and powering its drive off,
// and the signals that tell of volumes coming, going, mounted and unmounted.
#include "platform/posix/Udisks2.h"

#include <gio/gio.h>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace platform::udisks2 {
namespace {

constexpr const char* kService = "org.freedesktop.UDisks2";
constexpr const char* kRoot = "/org/freedesktop/UDisks2";
constexpr const char* kObjectManager = "org.freedesktop.DBus.ObjectManager";
constexpr const char* kProperties = "org.freedesktop.DBus.Properties";
constexpr const char* kFilesystem = "org.freedesktop.UDisks2.Filesystem";
constexpr const char* kBlock = "org.freedesktop.UDisks2.Block";
constexpr const char* kDrive = "org.freedesktop.UDisks2.Drive";
constexpr int kNoTimeout = G_MAXINT;

// The system bus (DBUS_SYSTEM_BUS_ADDRESS where set); null without one, asked again next time.
GDBusConnection* Bus() {
    static std::mutex mutex;
    static GDBusConnection* bus = nullptr;
    const std::lock_guard<std::mutex> lock(mutex);
    if (bus != nullptr && !g_dbus_connection_is_closed(bus)) return bus;
    // A connection of our own, made anew when the bus has gone (the closed one is left to
    // whoever still holds it).
    gchar* address = g_dbus_address_get_for_bus_sync(G_BUS_TYPE_SYSTEM, nullptr, nullptr);
    bus = address == nullptr ? nullptr
                             : g_dbus_connection_new_for_address_sync(
                                   address,
                                   static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                                                     G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
                                   nullptr, nullptr, nullptr);
    g_free(address);
    if (bus != nullptr) g_dbus_connection_set_exit_on_close(bus, FALSE);
    return bus;
}

struct Unref {
    void operator()(GVariant* value) const { g_variant_unref(value); }
};
using Variant = std::unique_ptr<GVariant, Unref>;

Variant Call(const char* path, const char* interface, const char* method, GVariant* parameters, std::string* reason) {
    GError* error = nullptr;
    GVariant* reply = Bus() == nullptr ? nullptr
                                       : g_dbus_connection_call_sync(Bus(), kService, path, interface, method, parameters,
                                                                     nullptr, G_DBUS_CALL_FLAGS_NONE, kNoTimeout,
                                                                     nullptr, &error);
    if (error != nullptr) {
        g_dbus_error_strip_remote_error(error);
        if (reason != nullptr) *reason = error->message;
        g_error_free(error);
    }
    return Variant(reply);
}

std::string Text(GVariant* properties, const char* name) {
    const gchar* text = nullptr;
    return properties != nullptr && g_variant_lookup(properties, name, "&s", &text) ? std::string(text) : std::string();
}

bool Flag(GVariant* properties, const char* name) {
    gboolean flag = FALSE;
    return properties != nullptr && g_variant_lookup(properties, name, "b", &flag) && flag;
}

}  // namespace

bool Available() {
    if (Bus() == nullptr) return false;
    GError* error = nullptr;
    GVariant* reply = g_dbus_connection_call_sync(Bus(), "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                  "org.freedesktop.DBus", "NameHasOwner", g_variant_new("(s)", kService),
                                                  G_VARIANT_TYPE("(b)"), G_DBUS_CALL_FLAGS_NONE, kNoTimeout, nullptr,
                                                  &error);
    if (error != nullptr) g_error_free(error);
    if (reply == nullptr) return false;
    gboolean owned = FALSE;
    g_variant_get(reply, "(b)", &owned);
    g_variant_unref(reply);
    return owned != FALSE;
}

std::vector<Volume> Volumes() {
    std::vector<Volume> volumes;
    const Variant reply = Call(kRoot, kObjectManager, "GetManagedObjects", nullptr, nullptr);
    if (!reply) return volumes;
    Variant objects(g_variant_get_child_value(reply.get(), 0));
    GVariantIter iter;
    g_variant_iter_init(&iter, objects.get());
    const gchar* path = nullptr;
    GVariant* interfaces = nullptr;
    while (g_variant_iter_next(&iter, "{&o@a{sa{sv}}}", &path, &interfaces)) {
        const Variant held(interfaces);
        const Variant filesystem(g_variant_lookup_value(interfaces, kFilesystem, nullptr));
        const Variant block(g_variant_lookup_value(interfaces, kBlock, nullptr));
        if (!filesystem || !block) continue;
        const gchar* drivePath = "/";
        g_variant_lookup(block.get(), "Drive", "&o", &drivePath);
        const Variant drive(g_variant_lookup_value(objects.get(), drivePath, nullptr));
        const Variant driveProperties(drive ? g_variant_lookup_value(drive.get(), kDrive, nullptr) : nullptr);
        if (!Flag(driveProperties.get(), "Removable") && !Flag(driveProperties.get(), "Ejectable")) continue;
        const Variant mountPoints(g_variant_lookup_value(filesystem.get(), "MountPoints", G_VARIANT_TYPE("aay")));
        for (gsize i = 0; mountPoints && i < g_variant_n_children(mountPoints.get()); ++i) {
            const Variant point(g_variant_get_child_value(mountPoints.get(), i));
            volumes.push_back(Volume{g_variant_get_bytestring(point.get()), Text(block.get(), "IdUUID"),
                                     Text(block.get(), "IdLabel"), path, drivePath,
                                     Flag(driveProperties.get(), "CanPowerOff")});
        }
    }
    return volumes;
}

bool Eject(const Volume& volume, std::string& reason) {
    if (!Call(volume.blockPath.c_str(), kFilesystem, "Unmount", g_variant_new("(a{sv})", nullptr), &reason)) return false;
    // A drive that cannot be powered off is safe to pull once unmounted.
    if (volume.canPowerOff) Call(volume.drivePath.c_str(), kDrive, "PowerOff", g_variant_new("(a{sv})", nullptr), nullptr);
    return true;
}

namespace {

// Runs a main loop of its own in its thread, where UDisks2's signals arrive.
class Watcher : public IVolumeWatcher {
public:
    ~Watcher() override { Stop(); }
    void Start(std::function<void()> changed) override {
        Stop();
        changed_ = std::move(changed);
        bus_ = Bus();
        if (bus_ == nullptr) return;
        g_object_ref(bus_);
        context_ = g_main_context_new();
        loop_ = g_main_loop_new(context_, FALSE);
        std::mutex mutex;
        std::unique_lock<std::mutex> lock(mutex);
        std::condition_variable subscribed;
        bool ready = false;
        thread_ = std::thread([&] {
            g_main_context_push_thread_default(context_);
            const guint objects = g_dbus_connection_signal_subscribe(bus_, kService, kObjectManager, nullptr, kRoot,
                                                                     nullptr, G_DBUS_SIGNAL_FLAGS_NONE, &Tell, this,
                                                                     nullptr);
            const guint properties = g_dbus_connection_signal_subscribe(bus_, kService, kProperties,
                                                                        "PropertiesChanged", nullptr, nullptr,
                                                                        G_DBUS_SIGNAL_FLAGS_NONE, &Tell, this, nullptr);
            // A round trip after the match rules: the bus has them before Start returns.
            GVariant* id = g_dbus_connection_call_sync(bus_, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                       "org.freedesktop.DBus", "GetId", nullptr, nullptr,
                                                       G_DBUS_CALL_FLAGS_NONE, kNoTimeout, nullptr, nullptr);
            if (id != nullptr) g_variant_unref(id);
            {
                const std::lock_guard<std::mutex> told(mutex);
                ready = true;
                subscribed.notify_all();
            }
            g_main_loop_run(loop_);
            g_dbus_connection_signal_unsubscribe(bus_, objects);
            g_dbus_connection_signal_unsubscribe(bus_, properties);
            g_main_context_pop_thread_default(context_);
        });
        // Changes made once Start has returned are told.
        subscribed.wait(lock, [&] { return ready; });
    }
    void Stop() override {
        if (!thread_.joinable()) return;
        // Quit from inside the loop, so that a loop not yet running is not left to run for ever.
        g_main_context_invoke(context_, &Quit, loop_);
        thread_.join();
        g_main_loop_unref(loop_);
        g_main_context_unref(context_);
        g_object_unref(bus_);
    }

private:
    static gboolean Quit(gpointer loop) {
        g_main_loop_quit(static_cast<GMainLoop*>(loop));
        return G_SOURCE_REMOVE;
    }
    static void Tell(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*, GVariant*, gpointer self) {
        static_cast<Watcher*>(self)->changed_();
    }

    std::function<void()> changed_;
    GDBusConnection* bus_ = nullptr;
    GMainContext* context_ = nullptr;
    GMainLoop* loop_ = nullptr;
    std::thread thread_;
};

}  // namespace

std::unique_ptr<IVolumeWatcher> NewWatcher() { return std::make_unique<Watcher>(); }

}  // namespace platform::udisks2
