#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <imgui_internal.h>

#include "editor/ui/FileDialog.h"
#include "tests/support/ImGuiTestFrame.h"
#include "tests/support/TempFolder.h"

using orvilaneeditor::FileDialog;
using orvilaneeditor::test::ImGuiTestFrame;

TEST(FileDialogPaths, CutsKeepALeadingSeparatorOrDot)
{
    struct Case
    {
        std::string in;
        std::string folder; // CutAtLastSeparator
        std::string name;   // CutExtension
    };
    const Case cases[] = {
        {"/home/u/bench.xml", "/home/u", "/home/u/bench"},
        {"/home", "/", "/home"},
        {"/", "/", "/"},
        {"home", "home", "home"},
        {".hidden", ".hidden", ".hidden"},
        {"..x", "..x", "..x"},
        {"..", "..", ".."},
        {".a.b", ".a.b", ".a"},
        {"a.b.c", "a.b.c", "a.b"},
        {"", "", ""},
        {"dir.d/file", "dir.d", "dir"},
    };
    for (const Case& c : cases)
    {
        std::string folder = c.in, name = c.in;
        orvilaneeditor::CutAtLastSeparator(folder);
        orvilaneeditor::CutExtension(name);
        EXPECT_EQ(folder, c.folder) << c.in;
        EXPECT_EQ(name, c.name) << c.in;
    }
}

namespace
{
class FileDialogTest : public ::testing::Test
{
protected:
    FileDialogTest()
    {
        root.Write("b.xml", "x");
        root.Write("a.xml", "x");
        root.Write("notes.txt", "x");
        root.MakeFolder("zeta");
        root.MakeFolder("sub");
        root.Write("sub/inner.xml", "x");
    }

    void Open()
    {
        dialog.OpenFile(root / "current.xml", Record()); // need not exist
        ui.Frames(2, draw);
    }
    // Without a current file, moved from the working directory to root.
    void Save(const std::string& proposed)
    {
        dialog.SaveFile("", proposed, Record());
        ui.Frames(2, draw);
        dialog.Refresh(root.Path().string());
    }
    FileDialog::Callback Record()
    {
        return [this](bool accepted, const std::string& path) {
            ++calls;
            result = std::make_pair(accepted, path);
        };
    }
    ImGuiWindow* Window() { return ImGuiTestFrame::FindWindow(dialog.mTitle.c_str()); }
    bool ClickButton(const char* label) { return ui.ClickLabel(dialog.mTitle.c_str(), label, draw); }
    bool ClickEntry(size_t index)
    {
        ImGuiWindow* window = Window();
        ImGuiWindow* list = ImGuiTestFrame::FindChildById(window, ImGuiTestFrame::ItemId(window, {"##file_listbox"}));
        const std::string& name = dialog.mEntries.at(index).name;
        return ui.ClickItem(list, ImGuiTestFrame::ItemId(list, {static_cast<int>(index), name.c_str()}), draw);
    }
    bool TypeName(const std::string& name)
    {
        ImGuiWindow* window = Window();
        if (!ui.ClickItem(window, ImGuiTestFrame::ItemId(window, {"Filename"}), draw))
            return false;
        ui.ReplaceText(name, draw);
        return true;
    }
    bool Shown() { return ImGuiTestFrame::IsShown(dialog.mTitle.c_str()); }

    orvilane::test::TempFolder root{"orvilane-dialog"};
    ImGuiTestFrame ui;
    FileDialog dialog;
    std::function<void()> draw = [this] { dialog.Draw(); };
    int calls = 0;
    std::optional<std::pair<bool, std::string>> result;
};
} // namespace

TEST_F(FileDialogTest, StartsBesideTheCurrentFileWithFoldersFirstSorted)
{
    for (int opening = 0; opening < 2; ++opening)
    {
        Open();
        ASSERT_TRUE(Shown());
        EXPECT_EQ(dialog.mTitle, "Open File");
        EXPECT_EQ(dialog.mCurrentFolder, root.Path().string());
        EXPECT_EQ(dialog.mSelected, -1);
        EXPECT_EQ(dialog.mFileName, "");
        std::vector<std::string> names;
        for (const FileDialog::Entry& entry : dialog.mEntries)
            names.push_back(entry.name + (entry.isFile ? "" : "/"));
        EXPECT_EQ(names, (std::vector<std::string>{"sub/", "zeta/", "a.xml", "b.xml"}));
        ASSERT_TRUE(ClickEntry(3));
        EXPECT_EQ(dialog.mFileName, "b.xml");
        ASSERT_TRUE(ClickButton("Cancel"));
        EXPECT_FALSE(Shown());
        EXPECT_EQ(result, std::make_optional(std::make_pair(false, std::string())));
    }
    EXPECT_EQ(calls, 2);
}

TEST_F(FileDialogTest, StartsBesideTheCurrentFileElseInTheWorkingDirectory)
{
    const std::string cwd = std::filesystem::current_path().string();
    struct Case
    {
        std::string currentFile, folder, saveName;
    };
    // The proposed name is always the one given, whatever the current file is called.
    const Case cases[] = {{"", cwd, "New Simulation"},
                          {root / "sub/inner.xml", root / "sub", "New Simulation"},
                          {root / "sub/../a.xml", root.Path().string(), "New Simulation"},
                          {root / "gone/old.xml", cwd, "New Simulation"}, // its folder has been removed
                          {"rel.xml", cwd, "New Simulation"}};
    for (const Case& c : cases)
    {
        dialog.SaveFile(c.currentFile, "New Simulation", Record());
        ui.Frames(2, draw);
        EXPECT_TRUE(dialog.mCurrentFolder == c.folder && dialog.mFileName == c.saveName) << c.currentFile;
        ASSERT_TRUE(ClickButton("Cancel"));
    }
}

TEST_F(FileDialogTest, AnUnknownOrUnreadableFolderNeverGivesARootPath)
{
    Save("New Simulation");
    dialog.Refresh(""); // what an unreadable working directory gives
    ASSERT_TRUE(ClickButton("Save"));
    EXPECT_EQ(calls, 0);
    ASSERT_TRUE(TypeName(root / "x")); // a full path is still taken
    ASSERT_TRUE(ClickButton("Save"));
    EXPECT_EQ(result, std::make_optional(std::make_pair(true, root / "x.xml")));

    namespace fs = std::filesystem;
    const std::string locked = root.MakeFolder("locked");
    fs::permissions(locked, fs::perms::none);
    dialog.SaveFile(root / "locked/old.xml", "New Simulation", Record());
    ui.Frames(2, draw);
    EXPECT_EQ(dialog.mCurrentFolder, locked);
    EXPECT_TRUE(ClickButton("Save"));
    fs::permissions(locked, fs::perms::owner_all); // before any assertion can leave
    EXPECT_EQ(result, std::make_optional(std::make_pair(true, root / "locked/New Simulation.xml")));
}

// Typed in root/sub: a path is returned, else the dialog moves to folder and
// empties the field (kept when there is no such folder).
TEST_F(FileDialogTest, TypedNamesMayHoldFoldersOrBeAbsolute)
{
    struct Case
    {
        std::string typed, path, folder;
    };
    const Case cases[] = {
        {"../x", root / "x.xml", ""},        {"../x.txt", root / "x.xml", ""},
        {"./y", root / "sub/y.xml", ""},     {"../zeta/../w.xml", root / "w.xml", ""},
        {"..x", root / "sub/..x.xml", ""}, // leading dots belong to the name
        {"../..x", root / "..x.xml", ""},    {root / "zeta/../abs", root / "abs.xml", ""},
        {"..", "", root.Path().string()},    {"../zeta/.", "", root / "zeta"},
        {root / "zeta/", "", root / "zeta"}, {"/", "", "/"},
        {"../missing/", "", root / "sub"},
    };
    for (const Case& c : cases)
    {
        dialog.SaveFile(root / "sub/current.xml", "New Simulation", Record());
        ui.Frames(2, draw);
        ASSERT_TRUE(TypeName(c.typed));
        result.reset();
        ASSERT_TRUE(ClickButton("Save"));
        EXPECT_EQ(result, c.path.empty() ? decltype(result)() : std::make_pair(true, c.path)) << c.typed;
        if (c.path.empty())
        {
            EXPECT_EQ(dialog.mCurrentFolder, c.folder) << c.typed;
            EXPECT_EQ(dialog.mFileName, c.folder == root / "sub" ? c.typed : "") << c.typed;
            ASSERT_TRUE(ClickButton("Cancel"));
        }
    }
}

TEST_F(FileDialogTest, OpenAcceptsOnlyAnExistingRegularFile)
{
    root.MakeFolder("folder.xml");
    Open();
    // Nothing typed: the accept button does nothing.
    ASSERT_TRUE(ClickButton("Open"));
    EXPECT_TRUE(Shown());
    for (const char* name : {"missing", "folder"})
    {
        ASSERT_TRUE(TypeName(name));
        ASSERT_TRUE(ClickButton("Open"));
        EXPECT_TRUE(Shown()) << name;
        EXPECT_EQ(calls, 0) << name;
    }
    ASSERT_TRUE(TypeName("a.txt")); // another extension: a.xml is meant
    ASSERT_TRUE(ClickButton("Open"));
    EXPECT_FALSE(Shown());
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(result, std::make_optional(std::make_pair(true, root / "a.xml")));
}

TEST_F(FileDialogTest, SaveAsksBeforeReplacingAFile)
{
    Save("New Simulation");
    EXPECT_EQ(dialog.mFileName, "New Simulation");
    ASSERT_TRUE(TypeName("b"));
    ASSERT_TRUE(ClickButton("Save"));
    EXPECT_TRUE(Shown());
    EXPECT_EQ(calls, 0);
    ASSERT_TRUE(ClickButton("No"));
    EXPECT_TRUE(Shown());
    EXPECT_EQ(calls, 0);
    ASSERT_TRUE(ClickButton("Save"));
    ASSERT_TRUE(ClickButton("Yes"));
    EXPECT_FALSE(Shown());
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(result, std::make_optional(std::make_pair(true, root / "b.xml")));
}

TEST_F(FileDialogTest, SaveReturnsTheNameWithTheDialogsExtension)
{
    struct Case
    {
        const char* typed;
        const char* file;
    };
    for (const Case& c :
         {Case{"new", "new.xml"}, Case{"a.b.txt", "a.b.xml"}, Case{".hidden", ".hidden.xml"}, Case{"x.XML", "x.xml"}})
    {
        Save("New Simulation");
        ASSERT_TRUE(TypeName(c.typed));
        ASSERT_TRUE(ClickButton("Save"));
        EXPECT_EQ(result, std::make_optional(std::make_pair(true, root / c.file))) << c.typed;
    }
    // An emptied name disables the button.
    Save("New Simulation");
    ASSERT_TRUE(TypeName(""));
    calls = 0;
    ASSERT_TRUE(ClickButton("Save"));
    EXPECT_TRUE(Shown());
    EXPECT_EQ(calls, 0);
}

TEST_F(FileDialogTest, FoldersAreEnteredAndLeft)
{
    Open();
    ASSERT_TRUE(ClickEntry(0)); // sub
    ASSERT_TRUE(ClickButton("Open"));
    EXPECT_TRUE(Shown());
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(dialog.mCurrentFolder, root / "sub");
    EXPECT_EQ(dialog.mSelected, -1);
    EXPECT_EQ(dialog.mFileName, "");
    ASSERT_EQ(dialog.mEntries.size(), 1u);
    ASSERT_TRUE(ClickEntry(0));
    ASSERT_TRUE(ClickButton("Open"));
    EXPECT_EQ(result, std::make_optional(std::make_pair(true, root / "sub/inner.xml")));

    Open();
    ASSERT_TRUE(ClickButton("Back"));
    EXPECT_EQ(dialog.mCurrentFolder, root.Path().parent_path().string());
    for (std::filesystem::path up = root.Path().parent_path(); up != "/";)
    {
        up = up.parent_path();
        ASSERT_TRUE(ClickButton("Back"));
        ASSERT_EQ(dialog.mCurrentFolder, up.string());
    }
    ASSERT_TRUE(ClickButton("Back")); // the root has no parent
    EXPECT_EQ(dialog.mCurrentFolder, "/");
}

TEST_F(FileDialogTest, WalkingThroughFoldersKeepsTheNameToSave)
{
    Save("bench");
    ASSERT_TRUE(ClickEntry(1)); // zeta, then sub
    ASSERT_TRUE(ClickEntry(0));
    ASSERT_TRUE(ClickButton("Save"));
    EXPECT_EQ(dialog.mCurrentFolder, root / "sub");
    EXPECT_EQ(dialog.mFileName, "bench");
    ASSERT_TRUE(ClickButton("Back"));
    ASSERT_TRUE(ClickEntry(1)); // zeta, then back without entering it
    ASSERT_TRUE(ClickButton("Back"));
    EXPECT_EQ(dialog.mCurrentFolder, root.Path().parent_path().string());
    EXPECT_EQ(dialog.mFileName, "bench");
}

TEST_F(FileDialogTest, LongestLinuxNameIsKeptWhole)
{
    const std::string name = std::string(251, 'n') + ".xml"; // 255 bytes, the longest a name can be
    root.Write(name, "x");
    Open();
    ASSERT_EQ(dialog.mEntries.back().name, name);
    ASSERT_TRUE(ClickEntry(dialog.mEntries.size() - 1));
    EXPECT_EQ(dialog.mFileName, name);
    ASSERT_TRUE(ClickButton("Open"));
    EXPECT_EQ(result, std::make_optional(std::make_pair(true, root / name)));
}
