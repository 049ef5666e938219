#pragma once

#include <string>

namespace pugi
{
class xml_document;
}

namespace orvilane
{

// Parses the file at path into document. Only a regular file is parsed: a
// folder, a device or a pipe would make the parser ask for a buffer of a size
// it cannot know, or wait for a writer. On failure returns false with reason
// set to why, for the log: the parser's description and byte offset
// ("<description> at offset <n>") for a file that is not well-formed XML, else
// the system's error for a file that cannot be read.
bool LoadXmlFile(pugi::xml_document& document, const char* path, std::string& reason);

} // namespace orvilane
