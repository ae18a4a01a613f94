// SPDX-License-Identifier: GPL-3.0-or-later
// Kept free of Qt so that the MinGW syntax check can compile it on its own.
#include "platform/runningmark.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>

namespace platform {

namespace {

// The folder's volume and file ID in hex: one name for every path that
// reaches it (another drive letter, a short name, other case). The
// installer builds the same text (FolderIdentity in zelvan.nsi). Empty when
// the folder cannot be opened.
std::wstring folderIdentity(const std::wstring& folder)
{
    // A folder opens only with FILE_FLAG_BACKUP_SEMANTICS; sharing
    // everything, so that nobody is kept from renaming or removing it.
    const HANDLE handle =
        CreateFileW(folder.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return {};
    std::uint64_t volume = 0;
    std::uint64_t idHigh = 0;
    std::uint64_t idLow = 0;
    bool known = false;
    // 128-bit IDs: ReFS's 64-bit file index need not be unique.
    FILE_ID_INFO idInfo = {};
    if (GetFileInformationByHandleEx(handle, FileIdInfo, &idInfo, sizeof idInfo)) {
        volume = idInfo.VolumeSerialNumber;
        std::memcpy(&idLow, idInfo.FileId.Identifier, sizeof idLow);
        std::memcpy(&idHigh, idInfo.FileId.Identifier + sizeof idLow, sizeof idHigh);
        known = true;
    } else {
        // Some network file systems answer only the older question.
        BY_HANDLE_FILE_INFORMATION info = {};
        if (GetFileInformationByHandle(handle, &info)) {
            volume = info.dwVolumeSerialNumber;
            idLow = (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
            known = true;
        }
    }
    CloseHandle(handle);
    if (!known)
        return {};
    wchar_t text[64] = {};
    std::swprintf(text, std::size(text), L"%016llX-%016llX%016llX", static_cast<unsigned long long>(volume),
                  static_cast<unsigned long long>(idHigh), static_cast<unsigned long long>(idLow));
    return text;
}

} // namespace

void markRunning()
{
    // An installed copy's path is always shorter than MAX_PATH (the
    // installer's own limit); a longer one runs unmarked.
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return;
    std::wstring folder(path, length);
    folder.erase(std::min(folder.size(), folder.find_last_of(L'\\')));
    const std::wstring identity = folderIdentity(folder);
    if (identity.empty())
        return;
    // Global reaches an installer run by another user or elevated in another
    // session; a session that may not create global objects gets its own.
    // The handle is kept open on purpose: it closes with the process.
    for (const wchar_t* space : {L"Global\\Zelvan-", L"Local\\Zelvan-"}) {
        if (CreateMutexW(nullptr, FALSE, (space + identity).c_str()))
            return;
    }
}

} // namespace platform
