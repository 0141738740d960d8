// What a finished installation of setup leaves, checked against the
// description: the deployed files, the driver service, the mouse class
// entries, the shell and system registration and the two shortcuts; and
// their absence after a pass that did not get that far.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <functional>
#include <string>

#include "setup_test_support.h"

namespace setuptest {

const std::string kClsidKey = "CLSID\\{4753B0A0-79BB-101B-AE4B-00AA00373B20}";
const std::string kHandlerKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Controls Folder\\Mouse\\shellex\\"
                                "PropertySheetHandlers\\TAVMouse CPL";
const std::string kRunKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::string kUninstallKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Hyper Marvane";
const std::string kServicesKey = "SYSTEM\\CurrentControlSet\\Services\\";

// The unpacked content of a product file, by its installed name.
typedef std::function<std::string(const char *)> Originals;

// Everything the port type decides.
struct PortFacts {
    const char *driver, *otherDriver;     // file names
    const char *service, *otherService;   // service names
    const char *description;              // DriverDesc
    DWORD descriptionBytes;
    const char *section;                  // InfSection
};

inline const PortFacts kPs2Facts = { "tvi8042.sys", "tvsermou.sys", "TVI8042", "tvsermou",
                                     "Tavix PS2 Mouse Driver", 23, "PS2_Inst" };
inline const PortFacts kSerialFacts = { "tvsermou.sys", "tvi8042.sys", "tvsermou", "TVI8042",
                                        "Tavix Serial Mouse Driver", 26, "Ser_Inst" };

// The product files in the install directory: each by its unpacked name
// and the place the installation puts it.
struct ProductFile {
    const char *name;
    const char *destination;
};
inline const ProductFile kProductFiles[] = {
    { "tvsermou.sys", "C:\\TAVIX\\tvsermou.sys" },
    { "tvi8042.sys", "C:\\TAVIX\\tvi8042.sys" },
    { "TVNTCpl.dll", "C:\\TAVIX\\TVNTCpl.dll" },
    { "TVUninst.exe", "C:\\TAVIX\\TVUninst.exe" },
    { "TVPtr.exe", "C:\\TAVIX\\TVPtr.exe" },
    { "TMouse.hlp", "C:\\Tavix\\TMouse.hlp" },
    { "TVPtr.dll", "C:\\TAVIX\\TVPtr.dll" },
    { "TAVMOUSE.INF", "C:\\TAVIX\\TAVMOUSE.INF" },
};

// The product files in the install directory, byte for byte; `missing`
// names one that must not be there.
inline void expect_product_files(const Originals &original, const char *missing = NULL)
{
    for (const ProductFile &f : kProductFiles) {
        bool exists = false;
        std::string got = read_file(f.destination, &exists);
        if (missing && lstrcmpiA(missing, f.name) == 0) {
            EXPECT_FALSE(exists) << f.destination;
            continue;
        }
        EXPECT_TRUE(exists) << f.destination;
        EXPECT_TRUE(got == original(f.name)) << f.destination << " differs from " << f.name;
    }
}

// The chosen driver in the Drivers folder (the other not), the INF in the
// Windows INF folder, and the product files.
inline void expect_all_files(const PortFacts &port, const Originals &original)
{
    std::string drivers = setuptest::system_dir() + "\\Drivers\\";
    EXPECT_TRUE(read_file(drivers + port.driver) == original(port.driver)) << drivers + port.driver;
    EXPECT_FALSE(file_exists(drivers + port.otherDriver)) << drivers + port.otherDriver;
    EXPECT_TRUE(read_file(setuptest::windows_dir() + "\\INF\\TAVMOUSE.INF") == original("TAVMOUSE.INF"));
    expect_product_files(original);
}

// The kernel service of the chosen driver as the INF installs it, with the
// Parameters key the settings page opens; no service of the other driver.
inline void expect_service(const PortFacts &port)
{
    std::string key = kServicesKey + port.service;
    DWORD type = 0, size = sizeof(type);
    ASSERT_EQ(ERROR_SUCCESS, RegGetValueA(HKEY_LOCAL_MACHINE, key.c_str(), "Type", RRF_RT_REG_DWORD, NULL,
                                          &type, &size)) << port.service;
    EXPECT_EQ((DWORD)SERVICE_KERNEL_DRIVER, type) << port.service;
    RegValue image = reg_value(HKEY_LOCAL_MACHINE, key, "ImagePath");
    std::string expected = setuptest::system_dir() + "\\drivers\\" + port.driver;
    EXPECT_EQ(0, lstrcmpiA(expected.c_str(), image.data.c_str())) << port.service << ": " << image.data;
    EXPECT_TRUE(key_exists(HKEY_LOCAL_MACHINE, key + "\\Parameters")) << port.service;
    EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, kServicesKey + port.otherService)) << port.otherService;
}

// The four values in the driver key of the mouse device's class entry.
inline void expect_class_entries(const PortFacts &port, const std::string &classKey)
{
    struct Row {
        const char *name;
        std::string data;
        DWORD bytes;
    } rows[] = {
        { "DriverDesc", port.description, port.descriptionBytes },
        { "InfPath", "Tavmouse.inf", 13 },
        { "InfSection", port.section, 9 },
        { "ProviderName", "Oblinar", 8 },
    };
    for (const Row &r : rows) {
        RegValue v = reg_value(HKEY_LOCAL_MACHINE, classKey, r.name);
        EXPECT_TRUE(v.found) << r.name;
        EXPECT_EQ((DWORD)REG_SZ, v.type) << r.name;
        EXPECT_EQ(r.bytes, v.size) << r.name;
        EXPECT_EQ(r.data, v.data) << r.name;
    }
}

// Both shortcuts in the TavMouse folder of the Programs menu, read back
// through the shell's link object.
inline void expect_shortcuts(const std::string &programs)
{
    struct Link {
        std::string file;
        const char *target;
        std::string description;
    } links[] = {
        { programs + "\\TavMouse\\Hyper Marvane.Lnk", "c:\\Tavix\\Tvptr.exe", programs + "\\TavMouse\\Hyper Marvane" },
        { programs + "\\TavMouse\\Uninstall.Lnk", "c:\\Tavix\\TVUninst.exe", programs + "\\TavMouse\\Uninstall" },
    };
    CoInitialize(NULL);
    for (const Link &l : links) {
        IShellLinkA *link = NULL;
        ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_ShellLink, NULL, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                               (void **)&link)));
        IPersistFile *file = NULL;
        link->QueryInterface(IID_IPersistFile, (void **)&file);
        WCHAR wide[MAX_PATH];
        MultiByteToWideChar(CP_ACP, 0, l.file.c_str(), -1, wide, MAX_PATH);
        EXPECT_TRUE(SUCCEEDED(file->Load(wide, STGM_READ))) << l.file;
        char path[MAX_PATH] = "", description[MAX_PATH] = "";
        link->GetPath(path, MAX_PATH, NULL, SLGP_RAWPATH);
        link->GetDescription(description, MAX_PATH);
        EXPECT_EQ(0, lstrcmpiA(l.target, path)) << l.file << ": target " << path;
        EXPECT_EQ(l.description, description) << l.file;
        file->Release();
        link->Release();
    }
    CoUninitialize();
}

// The six registry values of the shell and system registration with their
// byte counts; the class key itself has no value.
inline void expect_registration_values()
{
    struct Row {
        HKEY root;
        std::string key;
        const char *name;
        std::string data;
        DWORD bytes;
    } rows[] = {
        { HKEY_CLASSES_ROOT, kClsidKey + "\\InProcServer32", "", "C:\\Tavix\\TVNTCpl.dll", 21 },
        { HKEY_CLASSES_ROOT, kClsidKey + "\\InProcServer32", "ThreadingModel", "Apartment", 10 },
        { HKEY_LOCAL_MACHINE, kHandlerKey, "", "{4753B0A0-79BB-101B-AE4B-00AA00373B20}", 39 },
        { HKEY_LOCAL_MACHINE, kRunKey, "Hyper Marvane", "C:\\Tavix\\TVPtr.exe C:\\Tavix", 28 },
        { HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName", "Tavix Hyper Marvane", 20 },
        { HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString", "C:\\Tavix\\TvUninst.exe", 22 },
    };
    for (const Row &r : rows) {
        RegValue v = reg_value(r.root, r.key, r.name);
        EXPECT_TRUE(v.found) << r.key << " \"" << r.name << "\"";
        EXPECT_EQ((DWORD)REG_SZ, v.type) << r.key << " \"" << r.name << "\"";
        EXPECT_EQ(r.bytes, v.size) << r.key << " \"" << r.name << "\"";
        EXPECT_EQ(r.data, v.data) << r.key << " \"" << r.name << "\"";
    }
    EXPECT_FALSE(reg_value(HKEY_CLASSES_ROOT, kClsidKey, "").found) << "the class key has no default value";
}

// The registration values and the shortcuts.
inline void expect_registered(const std::string &programs)
{
    expect_registration_values();
    expect_shortcuts(programs);
}

// Nothing of the registration, no service and no class entry.
inline void expect_not_registered(const std::string &programs, const std::string &classKey)
{
    EXPECT_FALSE(key_exists(HKEY_CLASSES_ROOT, kClsidKey));
    EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, kHandlerKey));
    EXPECT_FALSE(reg_value(HKEY_LOCAL_MACHINE, kRunKey, "Hyper Marvane").found);
    EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, kUninstallKey));
    EXPECT_FALSE(file_exists(programs + "\\TavMouse"));
    EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, kServicesKey + "TVI8042"));
    EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, kServicesKey + "tvsermou"));
    EXPECT_FALSE(reg_value(HKEY_LOCAL_MACHINE, classKey, "DriverDesc").found);
}

// Not a file of the installation anywhere.
inline void expect_nothing_installed(const std::string &programs, const std::string &classKey)
{
    EXPECT_FALSE(file_exists("C:\\TAVIX"));
    EXPECT_FALSE(file_exists(setuptest::system_dir() + "\\Drivers\\tvi8042.sys"));
    EXPECT_FALSE(file_exists(setuptest::system_dir() + "\\Drivers\\tvsermou.sys"));
    EXPECT_FALSE(file_exists(setuptest::windows_dir() + "\\INF\\TAVMOUSE.INF"));
    expect_not_registered(programs, classKey);
}

} // namespace setuptest
