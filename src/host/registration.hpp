#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "host/registry.hpp"

namespace zorvanil::host {

// The identity of the server object's class and of its type library.
namespace registration {
inline constexpr std::string_view kClassId = "{F66B33AA-8B49-4301-8D74-CDD98EA1FA4A}";
inline constexpr std::string_view kProgId = "ZORVANIL.AZORVANIL";
inline constexpr std::string_view kDescription = "Zorvanil Object";
inline constexpr std::string_view kLibraryId = "{1E299054-8DEE-439F-A10D-1896D21DBF83}";
inline constexpr std::string_view kLibraryVersion = "1.0";
inline constexpr std::string_view kLibraryHelp = "ZORVANIL Library";
inline constexpr std::string_view kInterfaceId = "{484002B8-9DE6-4D38-AF6A-CA7CD6C04711}";
inline constexpr std::string_view kInterfaceName = "IZORVANIL3";
// Dual interfaces are marshalled by the type library's standard marshaller.
inline constexpr std::string_view kTypeLibraryMarshaller = "{00020424-0000-0000-C000-000000000046}";
inline constexpr std::string_view kAppServerCategory = "{13E85B3C-9508-11D2-AB63-00C04FA35CFA}";
inline constexpr std::string_view kAppServerCategoryName = "Application Servers";
inline constexpr std::string_view kCategoryLocale = "409";
}  // namespace registration

// The command line that starts the server, as the LocalServer32 value holds it: the absolute
// path, quoted when it contains a blank so that it still reads as one word.
std::string serverCommand(const std::filesystem::path& executable);

// Writes the entries of the type library, the class and the class's own part (application-server
// category, AppID, "Sockets", "Web"), in this order.
void registerServer(RegistryWriter& registry, const std::filesystem::path& executable);
// Removes them: the type library, the class's own part, then the class entries. The category
// itself stays registered.
void unregisterServer(RegistryWriter& registry);

// Where the registry file is unless --registry names another.
inline constexpr const char* kDefaultRegistryFile = "/var/lib/zorvanil/registry.txt";

// Applies the registry step of start-up to the file: unregister in unregister mode, register in
// every other. Returns the error message, empty on success.
std::string updateRegistration(const std::filesystem::path& registryFile, bool unregister,
                               const std::filesystem::path& executable);

}  // namespace zorvanil::host
