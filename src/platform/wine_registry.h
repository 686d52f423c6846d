#pragma once

#include <string>

// The Windows registry as Wine keeps it: text files in the Wine prefix. The machine-wide
// hive (HKEY_LOCAL_MACHINE) is $WINEPREFIX/system.reg.

enum class RegistryRoot { LocalMachine, CurrentUser };

// The string value `valueName` of `keyPath` under `root`, read from the registry files of
// the Wine prefix. A 64-bit prefix ("#arch=win64") keeps 32-bit programs' keys under
// Software\Wow6432Node, so there that twin of the key is asked first and the plain key when
// the twin lacks the value; elsewhere the other way round. Key and value names
// ignore letter case; a trailing backslash on the key path is ignored.
// Like a read into a 2048-byte buffer, a value that needs 2048 bytes or more with its
// terminating NUL fails. Any failure (no prefix, no key, no value, a value that is not a
// string, too long) gives "Not Found".
std::string ReadRegistryValue(const std::string& winePrefix, RegistryRoot root,
                              const std::string& keyPath, const std::string& valueName);

// The Linux folder a Windows path of the prefix names: the drive through the prefix's
// dosdevices/ links ("c:" -> drive_c), else drive_c/ for drive C; the rest is resolved
// without regard to letter case, and trailing separators are dropped. Empty when the path
// has no drive letter or the drive is unknown to the prefix.
std::string MapWindowsPath(const std::string& winePrefix, const std::string& windowsPath);
