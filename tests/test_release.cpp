// The shipped programs as Windows presents them: the version and description
// in the file's properties, and the manifest that gives their controls the
// system's visual style (the tests carry the same resources).
#include <gtest/gtest.h>
#include <windows.h>
#include <string.h>
#include <string>
#include <vector>
#include "version.h"

namespace {

std::string BesideTests(const char *name)
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, path, sizeof path);
    std::string folder(path, length);
    return folder.substr(0, folder.find_last_of('\\') + 1) + name;
}

std::vector<char> VersionInfo(const std::string &file)
{
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(file.c_str(), &ignored);
    std::vector<char> info(size);
    if (size == 0 || !GetFileVersionInfoA(file.c_str(), 0, size, info.data()))
        info.clear();
    return info;
}

std::string VersionText(std::vector<char> &info, const char *key)
{
    std::string path = std::string("\\StringFileInfo\\041104B0\\") + key;
    char *value = NULL;
    UINT length = 0;
    if (!VerQueryValueA(info.data(), path.c_str(), (void **)&value, &length) || !value)
        return "(none)";
    return value;
}

std::string Manifest(const std::string &file)
{
    HMODULE module = LoadLibraryExA(file.c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
    std::string text;
    if (!module)
        return text;
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));  // RT_MANIFEST
    if (found) {
        HGLOBAL loaded = LoadResource(module, found);
        text.assign((const char *)LockResource(loaded), SizeofResource(module, found));
    }
    FreeLibrary(module);
    return text;
}

TEST(Release, FilePropertiesNameTheProgramInJapanese)
{
    struct Case {
        const char *File;
        const char *Description;
    } cases[] = {
        { "TALVORec.exe", "TALVO レコーダー (TALVO のリモコンとタイマー録音)" },
        { "TALVORecSim.exe", "TALVO レコーダー 体験版 (ステレオを模擬して動きます)" },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.File);
        std::vector<char> info = VersionInfo(BesideTests(c.File));
        ASSERT_FALSE(info.empty());
        WORD *translation = NULL;
        UINT length = 0;
        ASSERT_TRUE(VerQueryValueA(info.data(), "\\VarFileInfo\\Translation", (void **)&translation, &length));
        ASSERT_EQ(length, 4u);
        EXPECT_EQ(translation[0], 0x0411);  // Japanese
        EXPECT_EQ(translation[1], 1200);    // Unicode texts
        VS_FIXEDFILEINFO *fixed = NULL;
        ASSERT_TRUE(VerQueryValueA(info.data(), "\\", (void **)&fixed, &length));
        EXPECT_EQ(fixed->dwFileVersionMS, (DWORD)MAKELONG(TALVO_VERSION_MINOR, TALVO_VERSION_MAJOR));
        EXPECT_EQ(fixed->dwFileVersionLS, (DWORD)MAKELONG(0, TALVO_VERSION_PATCH));
        EXPECT_EQ(fixed->dwFileType, (DWORD)VFT_APP);
        EXPECT_EQ(VersionText(info, "ProductName"), "TALVO レコーダー");
        EXPECT_EQ(VersionText(info, "FileDescription"), c.Description);
        EXPECT_EQ(VersionText(info, "FileVersion"), TALVO_VERSION_TEXT);
        EXPECT_EQ(VersionText(info, "OriginalFilename"), c.File);
    }
}

TEST(Release, ManifestGivesCommonControls6ToAnOrdinaryUser)
{
    for (const char *file : { "TALVORec.exe", "TALVORecSim.exe" }) {
        SCOPED_TRACE(file);
        std::string manifest = Manifest(BesideTests(file));
        ASSERT_FALSE(manifest.empty());
        EXPECT_NE(manifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""), std::string::npos);
        // The program names its own architecture; the controls are those of
        // whichever architecture runs it.
        const char *own = sizeof(void *) == 8 ? "name=\"TALVO.Recorder\" version=\"1.0.0.0\" processorArchitecture=\"amd64\""
                                               : "name=\"TALVO.Recorder\" version=\"1.0.0.0\" processorArchitecture=\"x86\"";
        EXPECT_NE(manifest.find(own), std::string::npos) << own;
        EXPECT_NE(manifest.find("processorArchitecture=\"*\" publicKeyToken=\"6595b64144ccf1df\""), std::string::npos);
        EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos);
        // Windows 7, 8, 8.1, and 10 (which stands for 11 as well).
        for (const char *os : { "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",
                                "{1f676c76-80e1-4239-95bb-83d0f6d0da78}", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}" })
            EXPECT_NE(manifest.find(os), std::string::npos) << os;
    }
    // The platform took it: this process, started from the same resources,
    // runs with the common controls of the side-by-side assembly, not the
    // system folder's older ones.
    HMODULE controls = GetModuleHandleA("comctl32.dll");
    ASSERT_NE(controls, (HMODULE)NULL);
    char path[MAX_PATH] = {};
    GetModuleFileNameA(controls, path, sizeof path);
    CharLowerA(path);
    EXPECT_NE(strstr(path, "\\winsxs\\"), (char *)NULL) << path;
    EXPECT_NE(strstr(path, "common-controls"), (char *)NULL) << path;
}

// At 125-200 % scaling the windows keep their pixel layouts and Windows
// draws their text sharp: GDI scaling, and no claim to be DPI-aware.
// The program draws itself for each screen's scale: per monitor (version 2,
// then 1), the system's scale where only that is known; gdiScaling stays for
// a Windows that would treat it as unaware.
TEST(Release, ManifestDeclaresPerMonitorScalingWithTheSystemsAsFallback)
{
    for (const char *file : { "TALVORec.exe", "TALVORecSim.exe" }) {
        SCOPED_TRACE(file);
        std::string manifest = Manifest(BesideTests(file));
        ASSERT_FALSE(manifest.empty());
        size_t application = manifest.find("<application xmlns=\"urn:schemas-microsoft-com:asm.v3\">");
        size_t settings = manifest.find("<windowsSettings>", application);
        size_t end = manifest.find("</windowsSettings>", settings);
        ASSERT_NE(application, std::string::npos);
        ASSERT_NE(settings, std::string::npos);
        const char *const wanted[] = {
            "<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true</dpiAware>",
            "<dpiAwareness xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">PerMonitorV2, "
            "PerMonitor</dpiAwareness>",
            "<gdiScaling xmlns=\"http://schemas.microsoft.com/SMI/2017/WindowsSettings\">true</gdiScaling>",
        };
        for (const char *setting : wanted) {
            size_t at = manifest.find(setting, settings);
            ASSERT_NE(at, std::string::npos) << setting;
            EXPECT_LT(at, end) << "inside the application's windows settings";
        }
    }
}

}  // namespace
