// The prompts X11 borrows from the desktop: file dialogs through zenity (a stand-in script
// here, found on PATH like the real one), "cancelled" without a dialog program, and the
// answers of colour and message dialogs.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "graphics/x11/x11_external_dialogs.h"
#include "tests/graphics/x11/x11_fixture.h"

namespace fluvia::testing {
namespace {

namespace fs = std::filesystem;

TEST(X11DialogAnswers, ColoursAndMessageBoxAnswersAreRead) {
  const struct {
    const char* text;
    bool ok;
    int r, g, b;
  } colours[] = {
      {"rgb(12,34,255)\n", true, 12, 34, 255},
      {"rgba(1,2,3,0.5)\n", true, 1, 2, 3},
      {"#0a0B0c\n", true, 10, 11, 12},
      {"rgb(1,2,300)", false, 0, 0, 0},
      {"rgb(1,2)", false, 0, 0, 0},
      {"#12345", false, 0, 0, 0},
      {"", false, 0, 0, 0},
  };
  for (const auto& c : colours) {
    IArgbColor colour{7, 0, 0, 0};
    EXPECT_EQ(ParseColorAnswer(c.text, colour), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(colour, IArgbColor(7, c.r, c.g, c.b)) << c.text;
    }
  }

  ProcessResult none;  // no dialog program
  ProcessResult yes{true, 0, ""}, no{true, 1, ""}, cancel{true, 2, ""}, crashed{true, -1, ""};
  const struct {
    int type;
    const ProcessResult& result;
    int answer;
  } boxes[] = {
      {0, none, 1},  {0, no, 1},       {1, yes, 1},   {1, no, 2},  {1, none, 2},
      {4, yes, 6},   {4, no, 7},       {4, none, 7},  {4, crashed, 7},
      {3, yes, 6},   {3, cancel, 2},   {0x34, no, 7},
  };
  for (const auto& b : boxes) {
    EXPECT_EQ(MessageBoxAnswer(b.type, b.result), b.answer)
        << b.type << " exit " << b.result.exitCode;
  }
}

TEST(X11DialogCommands, FileDialogsDescribeTheirFilterAndMode) {
  using Command = std::vector<std::string>;
  const struct {
    const char* name;
    DialogTool tool;
    int mode;
    const char* extensions;
    const char* typeName;
    Command expected;
  } cases[] = {
      {"zenity open", DialogTool::kZenity, 0, "fluviapreset", "Fluvia preset",
       {"zenity", "--file-selection", "--title=Open", "--filename=/p/User/a.fluviapreset",
        "--file-filter=Fluvia preset (*.fluviapreset) | *.fluviapreset",
        "--file-filter=All files | *"}},
      {"zenity save", DialogTool::kZenity, 1, "fluviapreset", "Fluvia preset",
       {"zenity", "--file-selection", "--title=Save As", "--save", "--confirm-overwrite",
        "--filename=/p/User/a.fluviapreset",
        "--file-filter=Fluvia preset (*.fluviapreset) | *.fluviapreset",
        "--file-filter=All files | *"}},
      {"zenity, unnamed types", DialogTool::kZenity, 0, "fluviapreset  txt", "",
       {"zenity", "--file-selection", "--title=Open", "--filename=/p/User/a.fluviapreset",
        "--file-filter=*.fluviapreset;*.txt | *.fluviapreset *.txt",
        "--file-filter=All files | *"}},
      {"kdialog open", DialogTool::kKDialog, 0, "fluviapreset", "Fluvia preset",
       {"kdialog", "--title", "Open", "--getopenfilename", "/p/User/a.fluviapreset",
        "*.fluviapreset|Fluvia preset (*.fluviapreset)"}},
      {"kdialog save", DialogTool::kKDialog, 1, "fluviapreset txt", "Fluvia preset",
       {"kdialog", "--title", "Save As", "--getsavefilename", "/p/User/a.fluviapreset",
        "*.fluviapreset *.txt|Fluvia preset (*.fluviapreset;*.txt)"}},
      {"kdialog, no extensions", DialogTool::kKDialog, 0, "", "Fluvia preset",
       {"kdialog", "--title", "Open", "--getopenfilename", "/p/User/a.fluviapreset"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FileDialogCommand(c.tool, c.mode, "/p/User/a.fluviapreset", c.extensions,
                                c.typeName),
              c.expected)
        << c.name;
  }
}

class X11FilePromptTest : public X11DialogTest {
 protected:
  // A zenity that records its arguments and answers `answer` with exit code `code`.
  void FakeZenity(const std::string& answer, int code) {
    const fs::path script = bin_ / "zenity";
    std::ofstream(script) << "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" << (bin_ / "args").string()
                          << "'\nprintf '%s\\n' '" << answer << "'\nexit " << code << "\n";
    chmod(script.c_str(), 0755);
  }
  std::string Arguments() {
    std::ifstream in(bin_ / "args");
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
};

TEST_F(X11FilePromptTest, TheDialogsAnswerBecomesTheFileAndItsFolder) {
  const fs::path preset = folder_ / "Factory" / "SFX - Shower.fluviapreset";
  FakeZenity(preset.string(), 0);
  std::string file = "start.fluviapreset";
  std::string directory = (folder_ / "User").string();
  editor_->PromptForFile(file, IGraphics::kFileOpen, directory, "fluviapreset");
  EXPECT_EQ(file, preset.string());
  EXPECT_EQ(directory, (folder_ / "Factory").string());
  const std::string args = Arguments();
  EXPECT_NE(args.find("--file-selection\n"), std::string::npos) << args;
  EXPECT_NE(args.find("--filename=" + (folder_ / "User" / "start.fluviapreset").string() + "\n"),
            std::string::npos)
      << args;
  // The instrument names its files, so the type list says what they are.
  EXPECT_NE(args.find("--file-filter=Fluvia preset (*.fluviapreset) | *.fluviapreset\n"),
            std::string::npos)
      << args;
  EXPECT_EQ(args.find("--save"), std::string::npos) << args;

  // The dialog opens in the folder the caller names, even when the current file lies
  // elsewhere: only its name comes along.
  FakeZenity(preset.string(), 0);
  file = preset.string();
  directory = (folder_ / "User").string();
  editor_->PromptForFile(file, IGraphics::kFileOpen, directory, "fluviapreset");
  EXPECT_NE(Arguments().find("--filename=" + (folder_ / "User" / preset.filename()).string() +
                             "\n"),
            std::string::npos)
      << Arguments();

  // Saving: the name comes back as typed (the plug-in completes it).
  FakeZenity((folder_ / "User" / "Mine").string(), 0);
  file.clear();
  editor_->PromptForFile(file, IGraphics::kFileSave, directory, "fluviapreset txt");
  EXPECT_EQ(file, (folder_ / "User" / "Mine").string());
  EXPECT_NE(Arguments().find("--save\n"), std::string::npos);
}

TEST_F(X11FilePromptTest, CancelsRefusalsAndAMissingDialogLeaveNoFile) {
  const struct {
    const char* name;
    std::string answer;
    int code;
    int mode;
    bool tool;
  } cases[] = {
      {"cancelled", (folder_ / "Factory" / "SFX - Shower.fluviapreset").string(), 1,
       IGraphics::kFileOpen, true},
      {"missing file", (folder_ / "Factory" / "nope.fluviapreset").string(), 0,
       IGraphics::kFileOpen, true},
      {"missing folder", (folder_ / "nowhere" / "a.fluviapreset").string(), 0,
       IGraphics::kFileSave, true},
      {"a folder", (folder_ / "User").string(), 0, IGraphics::kFileOpen, true},
      {"relative", "a.fluviapreset", 0, IGraphics::kFileSave, true},
      {"no dialog program", "", 0, IGraphics::kFileOpen, false},
  };
  for (const auto& c : cases) {
    fs::remove(bin_ / "zenity");
    if (c.tool) FakeZenity(c.answer, c.code);
    std::string file = "before.fluviapreset";
    std::string directory = folder_.string();
    editor_->PromptForFile(file, c.mode, directory, "fluviapreset");
    EXPECT_EQ(file, "") << c.name;
    EXPECT_EQ(directory, folder_.string()) << c.name;
  }

  // Without a window there is no dialog at all.
  FakeZenity((folder_ / "Factory" / "SFX - Shower.fluviapreset").string(), 0);
  fs::remove(bin_ / "args");
  editor_->CloseWindow();
  std::string file = "before";
  std::string directory;
  editor_->PromptForFile(file, IGraphics::kFileOpen, directory, "fluviapreset");
  EXPECT_EQ(file, "");
  EXPECT_FALSE(fs::exists(bin_ / "args"));
}

TEST_F(X11FilePromptTest, ColourAndMessagePromptsAskTheSameDialogProgram) {
  FakeZenity("rgb(10,20,30)", 0);
  IArgbColor colour{128, 1, 2, 3};
  EXPECT_TRUE(editor_->PromptForColor(colour, "Knob colour"));
  EXPECT_EQ(colour, IArgbColor(128, 10, 20, 30));  // alpha is the caller's
  EXPECT_NE(Arguments().find("--color=rgb(1,2,3)\n"), std::string::npos) << Arguments();
  FakeZenity("", 1);
  EXPECT_FALSE(editor_->PromptForColor(colour, "Knob colour"));
  EXPECT_EQ(colour, IArgbColor(128, 10, 20, 30));

  FakeZenity("", 1);  // the user answers "No"
  EXPECT_EQ(editor_->ShowMessageBox("Overwrite?", "Fluvia", 4), 7);
  EXPECT_NE(Arguments().find("--question\n"), std::string::npos) << Arguments();
  EXPECT_NE(Arguments().find("--text=Overwrite?\n"), std::string::npos) << Arguments();
  // A confirmed link goes to xdg-open; here there is none, so the error is shown instead.
  FakeZenity("", 0);
  EXPECT_FALSE(editor_->OpenURL("https://example.invalid/", "Fluvia", "Open the site?", "No"));
  EXPECT_NE(Arguments().find("--text=No\n"), std::string::npos) << Arguments();
}

}  // namespace
}  // namespace fluvia::testing
