#include "PlayerExport.h"

#include <windows.h>

#include <cstring>
#include <cwchar>
#include <vector>

namespace {

// Every path of the set, and SaveFile's temporary name of the bank, fits the
// 260-character buffers of the engine and the player.
constexpr size_t kMaxPath = kPathLength - 1;
constexpr const wchar_t* kPartSuffix = L".part";
constexpr const wchar_t* kSaveSuffix = L".tmp"; // SaveFile's own

std::wstring Quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

std::wstring WithoutTrailingSeparators(std::wstring folder) {
    while (!folder.empty() && (folder.back() == L'\\' || folder.back() == L'/')) folder.pop_back();
    return folder;
}

std::wstring FileNameOf(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

bool IsFolder(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool IsFile(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// A file the export would replace: absent, or neither read-only nor held by
// another program (a host that has the player loaded).
bool Replaceable(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return true;
    if ((attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) != 0) return false;
    // Write and delete access, as replacing it takes: refused while another
    // program has it open without sharing them.
    const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE | DELETE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    ::CloseHandle(file);
    return true;
}

// CopyFileW carries a read-only source's attribute over: the copy must take
// its stamp and be replaced by the next export.
bool CopyWritable(const std::wstring& from, const std::wstring& to) {
    if (!::CopyFileW(from.c_str(), to.c_str(), FALSE)) return false;
    const DWORD attributes = ::GetFileAttributesW(to.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;
    if ((attributes & FILE_ATTRIBUTE_READONLY) == 0) return true;
    return ::SetFileAttributesW(to.c_str(), attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY)) != 0;
}

// Writes the code into the copy by its wide name (any name the user can
// type), in place: the file's other bytes stay as copied.
std::wstring StampProblem(const std::wstring& path, const char code[4]) {
    const HANDLE file =
        ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return Quoted(path) + L" cannot be opened to take the library's code.";
    LARGE_INTEGER size = {};
    std::wstring problem;
    if (!::GetFileSizeEx(file, &size) || size.QuadPart < kPlayerStampOffset + 4) {
        problem = Quoted(path) + L" is too short to be the bank player (" + std::to_wstring(size.QuadPart) + L" bytes).";
    } else {
        LARGE_INTEGER at = {};
        at.QuadPart = kPlayerStampOffset;
        DWORD written = 0;
        if (!::SetFilePointerEx(file, at, nullptr, FILE_BEGIN) || !::WriteFile(file, code, 4, &written, nullptr) ||
            written != 4)
            problem = Quoted(path) + L" cannot take the library's code.";
    }
    if (!::CloseHandle(file) && problem.empty()) problem = Quoted(path) + L" cannot take the library's code.";
    return problem;
}

// The bytes the bank embeds for a zone are still all there: its file has not
// been deleted, replaced by a shorter one or cut short since it was loaded.
const KSampleZone* FirstUnreadableZone(const KSamplerEngine& engine) {
    for (const KInstrument* in : engine.instruments) {
        if (in == nullptr) continue;
        for (const KSampleZone* zone : in->zones) {
            if (zone == nullptr || zone->notSaved) continue;
            const int64_t size = zone->dataOffset + zone->frameCount * zone->BytesPerFrame();
            uint8_t last = 0;
            if (zone->file == nullptr || (size > 0 && zone->file->ReadAt(zone->baseOffset + size - 1, &last, 1) != 1))
                return zone;
        }
    }
    return nullptr;
}

std::wstring UnreadableSample(const KSampleZone& zone) {
    return L"The sample " + Quoted(zone.path) +
           L" cannot be read any more (deleted, moved or cut short since it was loaded).";
}

// The set's files under their temporary names, put in place together. What
// is not put in place is removed, and so is a bank folder this export made
// and left empty.
class StagedSet {
public:
    explicit StagedSet(std::wstring bankFolder) : bankFolder_(std::move(bankFolder)) {}
    ~StagedSet() {
        for (const File& f : files_)
            if (!f.placed) ::DeleteFileW(f.part.c_str());
        if (madeBankFolder_) ::RemoveDirectoryW(bankFolder_.c_str()); // fails while anything is in it
    }
    StagedSet(const StagedSet&) = delete;
    StagedSet& operator=(const StagedSet&) = delete;

    bool MakeBankFolder() {
        if (::CreateDirectoryW(bankFolder_.c_str(), nullptr)) {
            madeBankFolder_ = true;
            return true;
        }
        return IsFolder(bankFolder_);
    }
    // The temporary name of target; one per target (a second picture of
    // the same name replaces the first, as a copy over it would).
    std::wstring Stage(const std::wstring& target) {
        for (const File& f : files_)
            if (f.target == target) return f.part;
        files_.push_back({target + kPartSuffix, target, false});
        return files_.back().part;
    }
    // In the order staged; the index of the first that failed, or -1.
    int PlaceAll() {
        for (size_t i = 0; i < files_.size(); ++i) {
            File& f = files_[i];
            if (!::MoveFileExW(f.part.c_str(), f.target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
                return static_cast<int>(i);
            f.placed = true;
        }
        return -1;
    }
    const std::wstring& Target(int index) const { return files_[static_cast<size_t>(index)].target; }

private:
    struct File {
        std::wstring part, target;
        bool placed;
    };
    std::wstring bankFolder_;
    bool madeBankFolder_ = false;
    std::vector<File> files_;
};

KExportResult Failed(KExportResult result, std::wstring message) {
    result.ok = false;
    result.message = std::move(message);
    return result;
}

bool SameAscii(const std::wstring& a, const wchar_t* b) {
    if (a.size() != std::wcslen(b)) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        wchar_t c = a[i];
        if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
        if (c != b[i]) return false;
    }
    return true;
}

bool IsDeviceName(const std::wstring& name) {
    // Windows takes these as devices whatever follows the first dot.
    std::wstring base = name.substr(0, name.find(L'.'));
    while (!base.empty() && base.back() == L' ') base.pop_back();
    for (const wchar_t* device : {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"})
        if (SameAscii(base, device)) return true;
    if (base.size() != 4) return false;
    const std::wstring stem = base.substr(0, 3);
    const wchar_t digit = base[3];
    // The superscript digits count as digits here.
    const bool isDigit = (digit >= L'1' && digit <= L'9') || digit == L'\u00B9' || digit == L'\u00B2' ||
                         digit == L'\u00B3';
    return isDigit && (SameAscii(stem, L"COM") || SameAscii(stem, L"LPT"));
}

} // namespace

std::wstring LibraryNameProblem(const wchar_t* name) {
    const std::wstring n = name != nullptr ? name : L"";
    if (n.empty()) return L"The library has no name: give it one in the Sound Library Options.";
    const std::wstring refused = L"The library name " + Quoted(n) + L" cannot name the player's files: ";
    for (const wchar_t c : n) {
        if (c < 32) return refused + L"it holds a control character.";
        if (std::wcschr(L"<>:\"/\\|?*", c) != nullptr)
            return refused + L"Windows allows no '" + std::wstring(1, c) + L"' in a file name.";
    }
    if (n.back() == L'.' || n.back() == L' ') return refused + L"Windows drops a dot or a space at the end of a name.";
    if (IsDeviceName(n)) return refused + L"it is the name of a Windows device.";
    return {};
}

bool LibraryCodeFromText(const std::wstring& text, char code[4], std::wstring& problem) {
    char bytes[4] = {};
    // UTF-8 as the ANSI code page takes no used-default flag.
    const bool utf8 = ::GetACP() == CP_UTF8;
    for (size_t i = 0; i < 4 && i < text.size() && text[i] != 0; ++i) {
        const wchar_t c = text[i];
        char converted[8] = {};
        BOOL usedDefault = FALSE;
        const int length = ::WideCharToMultiByte(CP_ACP, utf8 ? 0 : WC_NO_BEST_FIT_CHARS, &c, 1, converted,
                                                 sizeof converted, nullptr, utf8 ? nullptr : &usedDefault);
        wchar_t back = 0;
        // One byte that reads back as the same character (a lone lead byte
        // of a double-byte code page does not).
        const bool fits = length == 1 && !usedDefault &&
                          ::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, converted, 1, &back, 1) == 1 && back == c;
        if (!fits) {
            problem = L"The unique ID takes four characters of one byte each: " + Quoted(std::wstring(1, c)) +
                      L" does not fit in one.";
            return false;
        }
        bytes[i] = converted[0];
    }
    std::memcpy(code, bytes, 4);
    problem.clear();
    return true;
}

std::wstring LibraryCodeText(const char* code) {
    if (code == nullptr) return {};
    int length = 0;
    while (length < 4 && code[length] != 0) ++length;
    if (length == 0) return {};
    wchar_t text[8] = {};
    const int n = ::MultiByteToWideChar(CP_ACP, 0, code, length, text, 8);
    return std::wstring(text, static_cast<size_t>(n > 0 ? n : 0));
}

KExportResult ExportPlayerFolder(KSamplerEngine& engine, const wchar_t* folder, const wchar_t* installFolder,
                                 KFileJob& job) {
    KExportResult result;
    // Everything that can be known before writing is checked first: a
    // refused export writes nothing.
    const std::wstring chosen = folder != nullptr ? folder : L"";
    if (chosen.empty()) return Failed(result, L"Choose the folder to export to.");
    const std::wstring name = engine.libraryName;
    const std::wstring nameProblem = LibraryNameProblem(name.c_str());
    if (!nameProblem.empty()) return Failed(result, nameProblem);
    const std::wstring root = WithoutTrailingSeparators(chosen);
    if (!IsFolder(root.empty() ? chosen : root)) return Failed(result, L"The folder " + Quoted(chosen) + L" does not exist.");

    const std::wstring bankFolder = root + L"\\" + name;
    result.bank = bankFolder + L"\\" + name + L".ksb";
    result.playerLibrary = root + L"\\" + name + L".dll";
    const std::wstring hostCopy = root + L"\\" + name + L".exe";
    const std::wstring longest = result.bank + kPartSuffix + kSaveSuffix;
    if (longest.size() > kMaxPath)
        return Failed(result, L"The path " + Quoted(result.bank) + L" is too long: folder and name together may have " +
                                  std::to_wstring(kMaxPath - (longest.size() - result.bank.size())) + L" characters.");

    const std::wstring install = WithoutTrailingSeparators(installFolder != nullptr ? installFolder : L"");
    const std::wstring player = install + L"\\" + kPlayerFileName;
    if (install.empty() || !IsFile(player))
        return Failed(result, L"The bank player " + Quoted(install.empty() ? std::wstring(kPlayerFileName) : player) +
                                  L" is not installed.");
    const std::wstring host = install + L"\\" + kHostFileName;
    const bool withHost = IsFile(host); // a sampler installed without the host exports without it

    std::vector<std::pair<std::wstring, std::wstring>> pictures; // source, target
    for (const wchar_t* picture : {engine.logoPicture, engine.backgroundPicture}) {
        // A picture that is not set, or no longer there, is left out.
        if (picture[0] == 0 || !IsFile(picture)) continue;
        const std::wstring target = bankFolder + L"\\" + FileNameOf(picture);
        if (target.size() + std::wcslen(kPartSuffix) > kMaxPath)
            return Failed(result, L"The path " + Quoted(target) + L" is too long.");
        pictures.emplace_back(picture, target);
    }

    if (const KSampleZone* zone = FirstUnreadableZone(engine)) return Failed(result, UnreadableSample(*zone));
    std::vector<std::wstring> targets = {result.bank, result.playerLibrary};
    if (withHost) targets.push_back(hostCopy);
    for (const auto& picture : pictures) targets.push_back(picture.second);
    for (const std::wstring& target : targets)
        if (!Replaceable(target)) return Failed(result, Quoted(target) + L" cannot be replaced: it is read-only or in use.");

    StagedSet set(bankFolder);
    if (!set.MakeBankFolder()) return Failed(result, L"The folder " + Quoted(bankFolder) + L" cannot be made.");
    // Placed in this order: the player copy last, so that a set with a
    // player is one whose every other file is in place.
    for (const auto& picture : pictures) {
        if (!CopyWritable(picture.first, set.Stage(picture.second)))
            return Failed(result, L"The picture " + Quoted(picture.first) + L" cannot be copied into " +
                                      Quoted(bankFolder) + L".");
    }

    const std::wstring bankPart = set.Stage(result.bank);
    if (!engine.SaveFile(bankPart.c_str(), job, true, false, -1)) {
        // The writer refuses a bank whose zone's bytes did not all come.
        if (const KSampleZone* zone = FirstUnreadableZone(engine)) return Failed(result, UnreadableSample(*zone));
        return Failed(result, L"The bank " + Quoted(result.bank) + L" cannot be written.");
    }
    if (withHost && !CopyWritable(host, set.Stage(hostCopy)))
        return Failed(result, Quoted(host) + L" cannot be copied to " + Quoted(hostCopy) + L".");
    const std::wstring playerPart = set.Stage(result.playerLibrary);
    if (!CopyWritable(player, playerPart))
        return Failed(result, Quoted(player) + L" cannot be copied to " + Quoted(result.playerLibrary) + L".");
    char code[4];
    std::memcpy(code, engine.uniqueId, 4);
    const std::wstring stampProblem = StampProblem(playerPart, code);
    if (!stampProblem.empty()) return Failed(result, stampProblem);

    const int failed = set.PlaceAll();
    if (failed >= 0) {
        std::wstring message = Quoted(set.Target(failed)) + L" cannot be put in place.";
        if (static_cast<size_t>(failed) > pictures.size()) {
            // The new bank is in place beside an older player: take the
            // player away rather than leave a set that looks finished.
            ::DeleteFileW(result.playerLibrary.c_str());
            message += L" The player set in " + Quoted(root) + L" is incomplete.";
        }
        return Failed(result, message);
    }
    result.ok = true;
    return result;
}
