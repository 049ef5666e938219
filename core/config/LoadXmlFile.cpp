#include "core/config/LoadXmlFile.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include <pugixml.hpp>

namespace orvilane
{

bool LoadXmlFile(pugi::xml_document& document, const char* path, std::string& reason)
{
    if (path == nullptr)
    {
        reason = "no file name";
        return false;
    }
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
    {
        reason = error ? error.message() : "not a regular file";
        return false;
    }
    errno = 0;
    const pugi::xml_parse_result result = document.load_file(path);
    if (result)
        return true;
    // The parser tells only that opening or reading failed; errno tells why.
    const bool unread = result.status == pugi::status_file_not_found || result.status == pugi::status_io_error;
    if (unread && errno != 0)
        reason = std::strerror(errno);
    else
        reason = std::string(result.description()) + " at offset " + std::to_string(result.offset);
    return false;
}

} // namespace orvilane
