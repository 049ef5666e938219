#include "editor/ui/FileDialog.h"

#include <cstdint>

#include <imgui.h>
#include <imgui_stdlib.h>

#include "editor/platform/FileSystem.h"
#include "editor/ui/DockLayout.h"
#include "editor/ui/IconAtlas.h"
#include "editor/ui/MessagePopup.h"

namespace orvilaneeditor
{

namespace
{
constexpr char kSeparator = '/';
constexpr int kFolderIcon = 2;
constexpr int kFileIcon = 0;

bool EndsWith(const std::string& text, const std::string& suffix)
{
    return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// An empty folder leaves name relative.
std::string Join(const std::string& folder, const std::string& name)
{
    if (folder.empty() || folder.back() == kSeparator)
        return folder + name;
    return folder + kSeparator + name;
}

// The folder of currentFile while it exists, else the working directory
// (empty when that cannot be read). Never the program's data folder: that
// holds its assets, and in a build folder it is a link into the sources.
std::string StartFolder(const std::string& currentFile)
{
    if (!currentFile.empty())
    {
        std::string folder = FileSystem::Absolute(currentFile);
        CutAtLastSeparator(folder);
        if (FileSystem::IsDirectory(folder))
            return folder;
    }
    return FileSystem::CurrentDirectory();
}
} // namespace

std::vector<std::string> ListFiles(const std::string& folder, const std::string& extension)
{
    std::vector<std::string> names;
    for (const FolderEntry& entry : FileSystem::List(folder))
    {
        if (entry.isRegularFile && EndsWith(entry.name, extension))
            names.push_back(entry.name);
    }
    return names;
}

std::vector<std::string> ListDirectories(const std::string& folder)
{
    std::vector<std::string> names;
    for (const FolderEntry& entry : FileSystem::List(folder))
    {
        if (entry.isDirectory)
            names.push_back(entry.name);
    }
    return names;
}

void CutAtLastSeparator(std::string& path)
{
    const size_t at = path.find_last_of(kSeparator);
    if (at != std::string::npos)
        path.resize(at == 0 ? 1 : at);
}

void CutExtension(std::string& name)
{
    // A run of leading dots hides a file; it is no extension ("..x" would become "..xml").
    const size_t at = name.find_last_of('.');
    const size_t firstOther = name.find_first_not_of('.');
    if (at != std::string::npos && firstOther < at)
        name.resize(at);
}

void FileDialog::OpenFile(const std::string& currentFile, const Callback& callback)
{
    Arm(Mode::Open, currentFile, callback);
    mFileName.clear();
}

void FileDialog::SaveFile(const std::string& currentFile, const std::string& proposedName, const Callback& callback)
{
    Arm(Mode::Save, currentFile, callback);
    mFileName = proposedName;
}

void FileDialog::Arm(Mode mode, const std::string& currentFile, const Callback& callback)
{
    mMode = mode;
    mTitle = mode == Mode::Open ? "Open File" : "Save File";
    mAcceptLabel = mode == Mode::Open ? "Open" : "Save";
    mCancelLabel = "Cancel";
    mStartFolder = StartFolder(currentFile);
    mNameIsFolder = false;
    mCallback = callback;
    mOpenRequest = true;
}

void FileDialog::Refresh(const std::string& folder)
{
    mCurrentFolder = folder;
    mEntries.clear();
    for (const std::string& name : ListDirectories(folder))
        mEntries.push_back({name, false});
    for (const std::string& name : ListFiles(folder, mExtension))
        mEntries.push_back({name, true});
    mSelected = -1;
    mProblem.clear();
    mConfirmReplace = false;
    if (mNameIsFolder)
    {
        mFileName = mNameBeforeFolder;
        mNameIsFolder = false;
    }
}

void FileDialog::Draw()
{
    if (mOpenRequest)
    {
        ImGui::OpenPopup(mTitle.c_str());
        mOpenRequest = false;
        Refresh(mStartFolder);
    }
    DockLayout::CentreNextWindow(mTitle.c_str());
    if (!ImGui::BeginPopupModal(mTitle.c_str(), nullptr, ImGuiWindowFlags_AlwaysAutoResize | ImGuiWindowFlags_NoResize))
        return;

    if (ImGui::Button("Back"))
    {
        std::string parent = mCurrentFolder;
        CutAtLastSeparator(parent);
        Refresh(parent);
    }
    ImGui::SameLine();
    ImGui::TextUnformatted(mCurrentFolder.c_str());

    const ImTextureID atlas = reinterpret_cast<ImTextureID>(static_cast<intptr_t>(IconAtlas::GetTexture()));
    if (ImGui::BeginListBox("##file_listbox", ImVec2(600.0f, 15.0f * ImGui::GetTextLineHeightWithSpacing())))
    {
        for (size_t i = 0; i < mEntries.size(); ++i)
        {
            const Entry& entry = mEntries[i];
            const bool selected = mSelected == static_cast<int32_t>(i);
            const ImVec2* icon = IconAtlas::GetIcon(entry.isFile ? kFileIcon : kFolderIcon);
            ImGui::PushID(static_cast<int>(i));
            ImGui::Image(atlas, ImVec2(20.0f, 20.0f), icon[0], icon[1]);
            ImGui::SameLine();
            if (ImGui::Selectable(entry.name.c_str(), selected))
            {
                if (!selected)
                {
                    if (!entry.isFile && !mNameIsFolder)
                        mNameBeforeFolder = mFileName;
                    mNameIsFolder = !entry.isFile;
                    mFileName = entry.name;
                }
                mSelected = static_cast<int32_t>(i);
                mProblem.clear();
                mConfirmReplace = false;
            }
            if (selected)
                ImGui::SetItemDefaultFocus();
            ImGui::PopID();
        }
        ImGui::EndListBox();
    }

    if (ImGui::InputText("Filename", &mFileName))
    {
        mNameIsFolder = false;
        mProblem.clear();
        mConfirmReplace = false;
    }
    ImGui::Spacing();
    ImGui::Separator();
    ImGui::Spacing();

    if (!mProblem.empty())
        ImGui::TextUnformatted(mProblem.c_str());

    if (mConfirmReplace)
    {
        const std::string question = mReplacePath.substr(mReplacePath.find_last_of(kSeparator) + 1) +
                                     " already exists. Do you want to replace it?";
        ImGui::TextUnformatted(question.c_str());
        if (ImGui::Button("Yes", ImVec2(100.0f, 20.0f)))
        {
            mConfirmReplace = false;
            Finish(true, mReplacePath);
        }
        ImGui::SameLine();
        if (ImGui::Button("No", ImVec2(100.0f, 20.0f)))
            mConfirmReplace = false;
    }
    else
    {
        const bool folderSelected = mSelected >= 0 && static_cast<size_t>(mSelected) < mEntries.size() &&
                                    !mEntries[static_cast<size_t>(mSelected)].isFile;
        ImGui::BeginDisabled(mFileName.empty() && !folderSelected);
        if (ImGui::Button(mAcceptLabel.c_str()))
            Accept();
        ImGui::EndDisabled();
        ImGui::SameLine(0.0f, ImGui::GetStyle().ItemSpacing.x + 10.0f);
        if (ImGui::Button(mCancelLabel.c_str()))
            Finish(false, std::string());
    }
    MessagePopup::Draw(); // a message shown meanwhile stacks over the dialog
    ImGui::EndPopup();

    if (mPendingCall)
    {
        // Called after the popup has been ended: the callback may arm it again.
        mPendingCall = false;
        Callback callback = std::move(mCallback);
        mCallback = nullptr;
        const bool accepted = mPendingAccepted;
        const std::string path = std::move(mPendingPath);
        if (callback)
            callback(accepted, path);
    }
}

void FileDialog::Accept()
{
    if (mSelected >= 0 && static_cast<size_t>(mSelected) < mEntries.size() &&
        !mEntries[static_cast<size_t>(mSelected)].isFile)
    {
        Refresh(Join(mCurrentFolder, mEntries[static_cast<size_t>(mSelected)].name));
        return;
    }
    if (mFileName.empty())
        return;
    const size_t slash = mFileName.find_last_of(kSeparator);
    const std::string folderPart = slash == std::string::npos ? std::string() : mFileName.substr(0, slash + 1);
    std::string name = mFileName.substr(folderPart.size());
    if (name.empty() || name == "." || name == "..")
    {
        // The text names a folder: it is entered.
        std::string folder = Resolve(mFileName);
        if (folder.size() > 1 && folder.back() == kSeparator)
            folder.pop_back();
        if (!FileSystem::IsDirectory(folder))
        {
            mProblem = "No such folder: " + mFileName;
            return;
        }
        mFileName.clear();
        Refresh(folder);
        return;
    }
    CutExtension(name);
    mFileName = folderPart + name;
    const std::string path = Resolve(mFileName + mExtension);
    if (path.empty())
    {
        mProblem = "The current folder is not known: type a full path";
        return;
    }
    if (mMode == Mode::Open && !FileSystem::IsRegularFile(path))
    {
        mProblem = "No such file: " + mFileName + mExtension;
        return;
    }
    if (mMode == Mode::Save && FileSystem::IsDirectory(path))
    {
        mProblem = "A folder has that name: " + mFileName + mExtension;
        return;
    }
    if (mMode == Mode::Save && FileSystem::IsRegularFile(path))
    {
        // Asked below the name before anything is written.
        mConfirmReplace = true;
        mReplacePath = path;
        return;
    }
    Finish(true, path);
}

std::string FileDialog::Resolve(const std::string& typed) const
{
    if (!typed.empty() && typed.front() == kSeparator)
        return FileSystem::Absolute(typed);
    if (mCurrentFolder.empty())
        return std::string();
    return FileSystem::Absolute(Join(mCurrentFolder, typed));
}

void FileDialog::Finish(bool accepted, const std::string& path)
{
    ImGui::CloseCurrentPopup();
    mPendingCall = true;
    mPendingAccepted = accepted;
    mPendingPath = path;
}

} // namespace orvilaneeditor
