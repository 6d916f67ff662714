#include "AsioDriverList.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <new>

IASIO* theAsioDriver = nullptr;

namespace {

// Copies as much of source as fits, always terminated.
void CopyText(char* destination, size_t capacity, const char* source) {
    const size_t length = std::min(std::strlen(source), capacity - 1);
    std::memcpy(destination, source, length);
    destination[length] = 0;
}

// Registry texts are not always zero-terminated, and may be longer than the
// field they go to: they are read whole, terminated, then cut to capacity.
bool ReadString(HKEY key, const char* valueName, char* text, size_t capacity) {
    char read[1024];
    DWORD type = 0;
    DWORD bytes = sizeof read - 1;
    if (::RegQueryValueExA(key, valueName, nullptr, &type, reinterpret_cast<BYTE*>(read), &bytes) !=
        ERROR_SUCCESS)
        return false;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return false;
    read[bytes < sizeof read ? bytes : sizeof read - 1] = 0;
    const char* source = read;
    char expanded[1024];
    if (type == REG_EXPAND_SZ) {
        const DWORD length = ::ExpandEnvironmentStringsA(read, expanded, sizeof expanded);
        if (length == 0 || length > sizeof expanded) return false;
        source = expanded;
    }
    CopyText(text, capacity, source);
    return true;
}

void LowerCase(char* text) {
    for (; *text; ++text) *text = static_cast<char>(std::tolower(static_cast<unsigned char>(*text)));
}

bool IsFile(const char* path) {
    const DWORD attributes = ::GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// Looks the class up under HKEY_CLASSES_ROOT "clsid" and tests that its
// in-process server file exists.
bool ServerFileExists(const char* clsidText) {
    char wanted[256];
    CopyText(wanted, sizeof wanted, clsidText);
    LowerCase(wanted);

    HKEY classes = nullptr;
    if (::RegOpenKeyExA(HKEY_CLASSES_ROOT, "clsid", 0, KEY_READ, &classes) != ERROR_SUCCESS) return false;
    bool found = false;
    char name[256];
    for (DWORD i = 0;; ++i) {
        DWORD length = sizeof name;
        const LONG result = ::RegEnumKeyExA(classes, i, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (result == ERROR_MORE_DATA) continue;   // longer than any class identifier
        if (result != ERROR_SUCCESS) break;
        LowerCase(name);
        if (std::strcmp(name, wanted) != 0) continue;
        HKEY classKey = nullptr;
        if (::RegOpenKeyExA(classes, name, 0, KEY_READ, &classKey) == ERROR_SUCCESS) {
            HKEY server = nullptr;
            if (::RegOpenKeyExA(classKey, "InprocServer32", 0, KEY_READ, &server) == ERROR_SUCCESS) {
                char path[512];
                found = ReadString(server, nullptr, path, sizeof path) && IsFile(path);
                ::RegCloseKey(server);
            }
            ::RegCloseKey(classKey);
        }
        break;
    }
    ::RegCloseKey(classes);
    return found;
}

CLSID ParseClsid(const char* text) {
    CLSID clsid = {};
    wchar_t wide[128];
    if (::MultiByteToWideChar(CP_ACP, 0, text, -1, wide, 128) == 0) return clsid;
    CLSID parsed;
    if (SUCCEEDED(::CLSIDFromString(wide, &parsed))) clsid = parsed;
    return clsid;
}

} // namespace

AsioDriverList::AsioDriverList() {
    HKEY asio = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "software\\asio", 0, KEY_READ, &asio) == ERROR_SUCCESS) {
        Entry** tail = &first_;
        char keyName[128];
        for (DWORD i = 0;; ++i) {
            DWORD length = sizeof keyName;
            const LONG result =
                ::RegEnumKeyExA(asio, i, keyName, &length, nullptr, nullptr, nullptr, nullptr);
            if (result == ERROR_MORE_DATA) continue;   // a name beyond 128 bytes is no driver of ours
            if (result != ERROR_SUCCESS) break;
            HKEY driverKey = nullptr;
            if (::RegOpenKeyExA(asio, keyName, 0, KEY_READ, &driverKey) != ERROR_SUCCESS) continue;
            char clsidText[256];
            if (ReadString(driverKey, "clsid", clsidText, sizeof clsidText) && ServerFileExists(clsidText)) {
                Entry* entry = new (std::nothrow) Entry{};
                if (entry != nullptr) {
                    entry->index = count;
                    entry->clsid = ParseClsid(clsidText);
                    if (!ReadString(driverKey, "description", entry->name, sizeof entry->name)) {
                        CopyText(entry->name, sizeof entry->name, keyName);
                    }
                    *tail = entry;
                    tail = &entry->next;
                    ++count;
                }
            }
            ::RegCloseKey(driverKey);
        }
        ::RegCloseKey(asio);
    }
    // S_FALSE (already initialised on this thread) must be balanced as well;
    // a refused initialisation must not be.
    if (count > 0) comStarted_ = SUCCEEDED(::CoInitialize(nullptr));
}

AsioDriverList::~AsioDriverList() {
    for (Entry* entry = first_; entry != nullptr;) {
        if (entry->driver != nullptr) {
            if (theAsioDriver == entry->driver) theAsioDriver = nullptr;
            entry->driver->Release();
        }
        Entry* next = entry->next;
        delete entry;
        entry = next;
    }
    if (comStarted_) ::CoUninitialize();
}

AsioDriverList::Entry* AsioDriverList::At(int32_t index) const {
    if (index < 0) return nullptr;
    Entry* entry = first_;
    while (entry != nullptr && entry->index != index) entry = entry->next;
    return entry;
}

int32_t AsioDriverList::GetName(int32_t index, char* destination) const {
    if (destination == nullptr) return kDriverListNoDestination;
    const Entry* entry = At(index);
    if (entry == nullptr) return kDriverListNoSuchIndex;
    // The shown name fits the driver information's 32-byte name field.
    if (std::strlen(entry->name) >= 32) {
        std::memcpy(destination, entry->name, 28);
        std::strcpy(destination + 28, "...");
    } else {
        std::strcpy(destination, entry->name);
    }
    return 0;
}

void AsioDriverList::ReleaseCurrent() {
    Entry* current = At(currentIndex);
    if (current != nullptr && current->driver != nullptr) {
        if (theAsioDriver == current->driver) theAsioDriver = nullptr;
        current->driver->Release();
        current->driver = nullptr;
    }
    currentIndex = -1;
}

bool AsioDriverList::LoadDriver(const char* name) {
    if (name == nullptr) return false;
    Entry* wanted = nullptr;
    char shown[32];
    for (Entry* entry = first_; entry != nullptr; entry = entry->next) {
        if (GetName(entry->index, shown) == 0 && std::strcmp(shown, name) == 0) {
            wanted = entry;
            break;
        }
    }
    if (wanted == nullptr) return false;

    char previous[32] = {};
    const bool hadPrevious = GetName(currentIndex, previous) == 0;
    ReleaseCurrent();

    if (wanted->driver == nullptr) {
        void* created = nullptr;
        // Drivers answer their own class identifier as the interface identifier.
        if (SUCCEEDED(::CoCreateInstance(wanted->clsid, nullptr, CLSCTX_INPROC_SERVER, wanted->clsid,
                                         &created)) &&
            created != nullptr) {
            wanted->driver = static_cast<IASIO*>(created);
            theAsioDriver = wanted->driver;
            currentIndex = wanted->index;
            return true;
        }
    }
    theAsioDriver = nullptr;
    // The new driver failed: go back to the one that worked (once: the
    // list has no current driver now, so the retry does not recurse again).
    if (hadPrevious && std::strcmp(previous, name) != 0) LoadDriver(previous);
    return false;
}

ASIOError AsioInit(ASIODriverInfo* info) {
    if (info == nullptr) return ASE_NotPresent;
    info->driverVersion = 0;
    std::strcpy(info->name, "No ASIO Driver");
    if (theAsioDriver == nullptr) return ASE_NotPresent;
    // Drivers fill fixed fields and do not always terminate them.
    if (theAsioDriver->init(info->sysRef)) {
        std::strcpy(info->errorMessage, "No ASIO Driver Error");
        char name[256] = {};
        theAsioDriver->getDriverName(name);
        name[sizeof info->name - 1] = 0;
        std::strcpy(info->name, name);
        info->driverVersion = theAsioDriver->getDriverVersion();
        return ASE_OK;
    }
    char message[256] = {};
    theAsioDriver->getErrorMessage(message);
    message[sizeof info->errorMessage - 1] = 0;
    std::strcpy(info->errorMessage, message);
    theAsioDriver = nullptr;
    return ASE_NotPresent;
}
