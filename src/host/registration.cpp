#include "host/registration.hpp"

namespace zorvanil::host {

using namespace registration;

namespace {

std::string join(std::initializer_list<std::string_view> parts) {
    std::string key;
    for (std::string_view part : parts) {
        if (!key.empty()) key += '\\';
        key += part;
    }
    return key;
}

std::string classKey() {
    return join({"CLSID", kClassId});
}

std::string libraryKey() {
    return join({"TypeLib", kLibraryId});
}

std::string interfaceKey() {
    return join({"Interface", kInterfaceId});
}

void registerTypeLibrary(RegistryWriter& r, const std::filesystem::path& executable) {
    std::string version = join({libraryKey(), kLibraryVersion});
    r.setValue(version, "", kLibraryHelp);
    r.setValue(join({version, "0", "win32"}), "", executable.string());
    r.setValue(join({version, "FLAGS"}), "", "0");
    r.setValue(join({version, "HELPDIR"}), "", executable.parent_path().string());
    std::string iface = interfaceKey();
    r.setValue(iface, "", kInterfaceName);
    r.setValue(join({iface, "ProxyStubClsid"}), "", kTypeLibraryMarshaller);
    r.setValue(join({iface, "ProxyStubClsid32"}), "", kTypeLibraryMarshaller);
    r.setValue(join({iface, "TypeLib"}), "", kLibraryId);
    r.setValue(join({iface, "TypeLib"}), "Version", kLibraryVersion);
}

void registerClass(RegistryWriter& r, const std::filesystem::path& executable) {
    std::string cls = classKey();
    r.setValue(cls, "", kDescription);
    r.setValue(join({cls, "LocalServer32"}), "", serverCommand(executable));
    r.setValue(join({cls, "ProgID"}), "", kProgId);
    r.setValue(kProgId, "", kDescription);
    r.setValue(join({kProgId, "Clsid"}), "", kClassId);
}

void registerApplicationServer(RegistryWriter& r) {
    std::string cls = classKey();
    r.createKey(join({cls, "Implemented Categories", kAppServerCategory}));
    r.setValue(join({"Component Categories", kAppServerCategory}), kCategoryLocale,
               kAppServerCategoryName);
    r.setValue(join({"AppID", kClassId}), "", r.value(cls, "").value_or(""));
    r.setValue(cls, "AppID", kClassId);
    r.setValue(cls, "Sockets", "1");
    r.setValue(cls, "Web", "1");
}

}  // namespace

std::string serverCommand(const std::filesystem::path& executable) {
    std::string path = std::filesystem::absolute(executable).lexically_normal().string();
    if (path.find(' ') == std::string::npos) return path;
    return "\"" + path + "\"";
}

void registerServer(RegistryWriter& registry, const std::filesystem::path& executable) {
    registerTypeLibrary(registry, executable);
    registerClass(registry, executable);
    registerApplicationServer(registry);
}

void unregisterServer(RegistryWriter& registry) {
    registry.deleteKey(libraryKey());
    registry.deleteKey(interfaceKey());

    std::string cls = classKey();
    registry.deleteValue(cls, "Sockets");
    registry.deleteValue(cls, "Web");
    registry.deleteKey(join({cls, "Implemented Categories"}));
    registry.deleteKey(join({"AppID", kClassId}));

    registry.deleteKey(cls);
    registry.deleteKey(kProgId);
}

std::string updateRegistration(const std::filesystem::path& registryFile, bool unregister,
                               const std::filesystem::path& executable) {
    try {
        updateRegistryFile(registryFile, [&](FileRegistry& registry) {
            if (unregister)
                unregisterServer(registry);
            else
                registerServer(registry, executable);
        });
        return {};
    } catch (const std::exception& e) {
        return e.what();
    }
}

}  // namespace zorvanil::host
