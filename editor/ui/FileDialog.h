#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace orvilaneeditor
{

// A small modal file browser for simulation files: sub-folders first, then the
// files with the extension, both sorted by name. A typed name may hold folders,
// relative to the current one or absolute. The callback gets (true, absolute
// path ending in the extension) on accept and (false, "") on cancel, once,
// after the popup has closed.
class FileDialog
{
public:
    using Callback = std::function<void(bool, const std::string&)>;

    struct Entry
    {
        std::string name;
        bool isFile = false;
    };

    // Both start in the folder of currentFile when that folder exists, else in
    // the working directory; currentFile may be empty.
    // Accepts only a name of an existing regular file.
    void OpenFile(const std::string& currentFile, const Callback& callback);
    // Proposes proposedName, whatever currentFile is called. Asks Yes/No
    // before a name that exists is written over.
    void SaveFile(const std::string& currentFile, const std::string& proposedName, const Callback& callback);
    // Per frame: opens the popup when armed and draws it while open.
    void Draw();
    // current folder := folder; entries listed again; nothing selected; a
    // folder's name that a click put in the file name gives way to the name before.
    void Refresh(const std::string& folder);

    bool mOpenRequest = false;
    std::string mTitle = "File Dialog";
    std::string mAcceptLabel = "OK";
    std::string mCancelLabel = "Cancel";
    std::string mCurrentFolder;
    std::string mFileName;
    std::string mExtension = ".xml";
    std::vector<Entry> mEntries;
    int32_t mSelected = -1;
    Callback mCallback;

private:
    enum class Mode
    {
        Open,
        Save
    };

    void Accept();
    // Arms the dialog; the popup opens in the next Draw.
    void Arm(Mode mode, const std::string& currentFile, const Callback& callback);
    // typed is absolute or relative to the current folder; the result is
    // absolute and free of "." and "..", or empty when the current folder is
    // not known and typed is relative.
    std::string Resolve(const std::string& typed) const;
    // Closes the popup; the callback runs once the popup has been ended.
    void Finish(bool accepted, const std::string& path);

    Mode mMode = Mode::Open;
    std::string mStartFolder; // where the next opening starts; empty: not known
    // The file name holds a folder's name that a click copied in; leaving the
    // folder brings back mNameBeforeFolder.
    bool mNameIsFolder = false;
    std::string mNameBeforeFolder;
    std::string mProblem;         // why the last accept was refused, shown in the dialog
    bool mConfirmReplace = false; // Save: mReplacePath exists, Yes/No asked
    std::string mReplacePath;
    bool mPendingCall = false;
    bool mPendingAccepted = false;
    std::string mPendingPath;
};

// Names of the regular files in folder that end with extension, sorted; empty
// when the folder cannot be listed. Entries that cannot be read are skipped.
std::vector<std::string> ListFiles(const std::string& folder, const std::string& extension);
// Names of the sub-folders of folder, sorted, "." and ".." left out.
std::vector<std::string> ListDirectories(const std::string& folder);
// Cuts the path at its last separator; when that is the first character the
// root "/" is left, which stays. Unchanged without a separator.
void CutAtLastSeparator(std::string& path);
// Cuts the name at its last dot, unless there is none or only dots stand
// before it (".hidden", "..x" and ".." are kept whole).
void CutExtension(std::string& name);

} // namespace orvilaneeditor
