// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/win32/adverthostprocess_win.h"

#include "platform/advert/advertprotocol.h"

#include <psapi.h>
#include <sddl.h>
#include <tlhelp32.h>

#include <algorithm>
#include <vector>

namespace platform {
namespace {

// Each pipe's buffer: a host that writes faster than the panel reads waits
// once this much is on the way.
constexpr DWORD kPipeBytes = 4096;

// Owns a handle for the length of a scope.
struct Handle {
    HANDLE value = nullptr;
    Handle() = default;
    explicit Handle(HANDLE h)
        : value(h == INVALID_HANDLE_VALUE ? nullptr : h)
    {
    }
    ~Handle()
    {
        if (value)
            CloseHandle(value);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE release()
    {
        HANDLE h = value;
        value = nullptr;
        return h;
    }
};

std::vector<LUID_AND_ATTRIBUTES> privileges(HANDLE token)
{
    DWORD size = 0;
    GetTokenInformation(token, TokenPrivileges, nullptr, 0, &size);
    std::vector<char> buffer(size);
    if (size < sizeof(TOKEN_PRIVILEGES) || !GetTokenInformation(token, TokenPrivileges, buffer.data(), size, &size))
        return {};
    const auto* list = reinterpret_cast<const TOKEN_PRIVILEGES*>(buffer.data());
    return {list->Privileges, list->Privileges + list->PrivilegeCount};
}

bool isChangeNotify(LUID privilege)
{
    LUID changeNotify = {};
    return LookupPrivilegeValueW(nullptr, L"SeChangeNotifyPrivilege", &changeNotify)
           && privilege.LowPart == changeNotify.LowPart && privilege.HighPart == changeNotify.HighPart;
}

// This process's token with no privilege but change-notify (which every
// program needs to walk folders) and the Low integrity level (the system
// browser's protected mode): the host can read what the user can, but write
// almost nothing of the user's (files, registry, other processes' windows
// above it), and can ask the system for nothing a privilege grants.
HANDLE restrictedToken()
{
    HANDLE own = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(),
                          TOKEN_DUPLICATE | TOKEN_ADJUST_DEFAULT | TOKEN_QUERY | TOKEN_ASSIGN_PRIMARY, &own))
        return nullptr;
    const Handle ownToken(own);
    // Each privilege named as well as the flag: some systems (Wine) keep
    // them all for the flag alone. The token is checked afterwards.
    std::vector<LUID_AND_ATTRIBUTES> taken;
    for (const LUID_AND_ATTRIBUTES& privilege : privileges(own)) {
        if (!isChangeNotify(privilege.Luid))
            taken.push_back(privilege);
    }
    HANDLE restricted = nullptr;
    if (!CreateRestrictedToken(own, DISABLE_MAX_PRIVILEGE, 0, nullptr, static_cast<DWORD>(taken.size()), taken.data(),
                               0, nullptr, &restricted))
        return nullptr;
    Handle low(restricted);
    for (const LUID_AND_ATTRIBUTES& privilege : privileges(low.value)) {
        if (!isChangeNotify(privilege.Luid))
            return nullptr;
    }
    PSID sid = nullptr;
    if (!ConvertStringSidToSidW(L"S-1-16-4096", &sid))
        return nullptr;
    TOKEN_MANDATORY_LABEL label = {};
    label.Label.Attributes = SE_GROUP_INTEGRITY;
    label.Label.Sid = sid;
    const bool set = SetTokenInformation(low.value, TokenIntegrityLevel, &label,
                                         static_cast<DWORD>(sizeof label + GetLengthSid(sid)))
                     != 0;
    LocalFree(sid);
    return set ? low.release() : nullptr;
}

// A job that ends its processes when its last handle closes (the program
// ends, however it ends), holds one process, bounds its memory, and keeps it
// off the user's desktop: no clipboard, no other desktops, no display or
// system settings, no logging off, no global atoms, and no windows of other
// processes but the ones the panel grants it (its parent). The processor
// rate cap is set where the system has one (Windows 8 and later).
HANDLE boundedJob(const AdvertHostBounds& bounds, AdvertHostRights& rights)
{
    Handle job(CreateJobObjectW(nullptr, nullptr));
    if (!job.value)
        return nullptr;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE | JOB_OBJECT_LIMIT_PROCESS_MEMORY
                                              | JOB_OBJECT_LIMIT_DIE_ON_UNHANDLED_EXCEPTION
                                              | JOB_OBJECT_LIMIT_ACTIVE_PROCESS;
    limits.BasicLimitInformation.ActiveProcessLimit = 1;
    limits.ProcessMemoryLimit = static_cast<SIZE_T>(bounds.memoryBytes);
    if (!SetInformationJobObject(job.value, JobObjectExtendedLimitInformation, &limits, sizeof limits))
        return nullptr;
    JOBOBJECT_BASIC_UI_RESTRICTIONS desktop = {};
    desktop.UIRestrictionsClass = JOB_OBJECT_UILIMIT_READCLIPBOARD | JOB_OBJECT_UILIMIT_WRITECLIPBOARD
                                  | JOB_OBJECT_UILIMIT_DESKTOP | JOB_OBJECT_UILIMIT_DISPLAYSETTINGS
                                  | JOB_OBJECT_UILIMIT_SYSTEMPARAMETERS | JOB_OBJECT_UILIMIT_EXITWINDOWS
                                  | JOB_OBJECT_UILIMIT_GLOBALATOMS | JOB_OBJECT_UILIMIT_HANDLES;
    if (!SetInformationJobObject(job.value, JobObjectBasicUIRestrictions, &desktop, sizeof desktop))
        return nullptr;
    rights.desktopLimited = true;
    JOBOBJECT_CPU_RATE_CONTROL_INFORMATION rate = {};
    rate.ControlFlags = JOB_OBJECT_CPU_RATE_CONTROL_ENABLE | JOB_OBJECT_CPU_RATE_CONTROL_HARD_CAP;
    // In hundredths of a percent of the whole machine.
    rate.CpuRate = static_cast<DWORD>(bounds.processorPercent) * 100;
    rights.processorCapped =
        SetInformationJobObject(job.value, JobObjectCpuRateControlInformation, &rate, sizeof rate) != 0;
    return job.release();
}

// A pipe between this process and the host: our end overlapped, so that
// waiting on it can be given up; the host's end inheritable and plain. One
// instance of a name nobody else made (FILE_FLAG_FIRST_PIPE_INSTANCE), taken
// by our own open of the host's end at once. Both or neither.
bool hostPipe(bool hostWrites, HANDLE& ours, HANDLE& hosts)
{
    static LONG made = 0;
    const std::wstring name = L"\\\\.\\pipe\\zelvan-advert-" + std::to_wstring(GetCurrentProcessId()) + L"-"
                              + std::to_wstring(GetTickCount64()) + L"-" + std::to_wstring(InterlockedIncrement(&made));
    const DWORD direction = hostWrites ? PIPE_ACCESS_INBOUND : PIPE_ACCESS_OUTBOUND;
    Handle server(CreateNamedPipeW(name.c_str(), direction | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
                                   PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1,
                                   kPipeBytes, kPipeBytes, 0, nullptr));
    if (!server.value)
        return false;
    SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
    Handle client(CreateFileW(name.c_str(), hostWrites ? GENERIC_WRITE : GENERIC_READ, 0, &inheritable, OPEN_EXISTING,
                              0, nullptr));
    if (!client.value)
        return false;
    ours = server.release();
    hosts = client.release();
    return true;
}

class Locked {
public:
    explicit Locked(SRWLOCK& lock)
        : m_lock(lock)
    {
        AcquireSRWLockExclusive(&m_lock);
    }
    ~Locked() { ReleaseSRWLockExclusive(&m_lock); }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;

private:
    SRWLOCK& m_lock;
};

std::int64_t milliseconds(FILETIME t)
{
    return ((std::int64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 10000;
}

} // namespace

std::unique_ptr<AdvertHostProcess> AdvertHostProcess::start(const std::wstring& program, HWND parent,
                                                            const AdvertHostBounds& bounds, Events events)
{
    std::unique_ptr<AdvertHostProcess> host(new AdvertHostProcess);
    host->m_events = std::move(events);
    host->m_bounds = bounds;
    host->m_stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!host->m_stop)
        return nullptr;

    const Handle token(restrictedToken());
    if (!token.value)
        return nullptr;
    host->m_rights.lowIntegrity = true;
    host->m_rights.restricted = true;
    host->m_job = boundedJob(bounds, host->m_rights);
    if (!host->m_job)
        return nullptr;
    // The job's processes may use no window of another process's: but their
    // parent, and the window it sits in (for its focus and activation).
    for (HWND granted : {parent, GetAncestor(parent, GA_ROOT)}) {
        if (granted && !UserHandleGrantAccess(granted, host->m_job, TRUE))
            return nullptr;
    }

    // Only the host's ends are handed to it (the handle list), nothing else
    // this process has open.
    HANDLE hostReads = nullptr;
    HANDLE hostWrites = nullptr;
    if (!hostPipe(false, host->m_toHost, hostReads))
        return nullptr;
    const Handle hostIn(hostReads);
    if (!hostPipe(true, host->m_fromHost, hostWrites))
        return nullptr;
    const Handle hostOut(hostWrites);

    SIZE_T listSize = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &listSize);
    std::vector<char> listBuffer(listSize);
    auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(listBuffer.data());
    HANDLE handed[] = {hostIn.value, hostOut.value};
    if (!InitializeProcThreadAttributeList(list, 1, 0, &listSize))
        return nullptr;
    const bool listed =
        UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handed, sizeof handed, nullptr, nullptr);
    if (!listed) {
        DeleteProcThreadAttributeList(list);
        return nullptr;
    }

    std::wstring commandLine = L"\"" + program + L"\" " + std::to_wstring(reinterpret_cast<std::uintptr_t>(parent))
                               + L" " + std::to_wstring(reinterpret_cast<std::uintptr_t>(hostIn.value)) + L" "
                               + std::to_wstring(reinterpret_cast<std::uintptr_t>(hostOut.value));
    STARTUPINFOEXW startup = {};
    startup.StartupInfo.cb = sizeof startup;
    startup.lpAttributeList = list;
    PROCESS_INFORMATION process = {};
    const bool started = CreateProcessAsUserW(token.value, program.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                                              CREATE_SUSPENDED | EXTENDED_STARTUPINFO_PRESENT | CREATE_NO_WINDOW,
                                              nullptr, nullptr, &startup.StartupInfo, &process)
                         != 0;
    DeleteProcThreadAttributeList(list);
    if (!started)
        return nullptr;
    const Handle thread(process.hThread);
    host->m_process = process.hProcess;
    host->m_processId = process.dwProcessId;
    // Into its job before it runs a single instruction of its own.
    if (!AssignProcessToJobObject(host->m_job, process.hProcess)) {
        TerminateProcess(process.hProcess, 1);
        return nullptr;
    }
    ResumeThread(process.hThread);

    host->m_reader = CreateThread(nullptr, 0, &AdvertHostProcess::readLoop, host.get(), 0, nullptr);
    host->m_writer = CreateThread(nullptr, 0, &AdvertHostProcess::writeLoop, host.get(), 0, nullptr);
    if (!host->m_reader || !host->m_writer)
        return nullptr; // the destructor ends the process
    return host;
}

AdvertHostProcess::~AdvertHostProcess()
{
    end();
    // Gone before the panel's window goes: destroying a window destroys its
    // children, and this process would wait for a host that never answers.
    waitGone(5000);
    {
        const Locked lock(m_lock);
        m_stopping = true;
    }
    if (m_stop)
        SetEvent(m_stop);
    WakeAllConditionVariable(&m_wake);
    WakeAllConditionVariable(&m_room);
    // Each thread waits on nothing without the stop among it.
    for (HANDLE thread : {m_reader, m_writer}) {
        if (thread) {
            WaitForSingleObject(thread, INFINITE);
            CloseHandle(thread);
        }
    }
    for (HANDLE handle : {m_toHost, m_fromHost, m_process, m_job, m_stop}) {
        if (handle)
            CloseHandle(handle);
    }
}

AdvertHostProcess::Taken AdvertHostProcess::take()
{
    Taken taken;
    {
        const Locked lock(m_lock);
        taken.lines.swap(m_lines);
        taken.dropped = m_dropped;
        m_dropped = 0;
        taken.gone = m_ended && !m_goneTaken;
        m_goneTaken = m_goneTaken || taken.gone;
        m_noticed = false;
    }
    WakeAllConditionVariable(&m_room);
    return taken;
}

void AdvertHostProcess::send(std::string line)
{
    {
        const Locked lock(m_lock);
        // A host that stopped reading gets no more than a few lines queued.
        if (m_queue.size() >= 64)
            return;
        m_queue.push_back(std::move(line));
    }
    WakeConditionVariable(&m_wake);
}

void AdvertHostProcess::end()
{
    if (m_job)
        TerminateJobObject(m_job, 1);
    // Wine's jobs may leave a process outside the count; the process itself
    // is ended all the same.
    if (m_process)
        TerminateProcess(m_process, 1);
}

bool AdvertHostProcess::waitGone(DWORD milliseconds) const
{
    return !m_process || WaitForSingleObject(m_process, milliseconds) == WAIT_OBJECT_0;
}

std::optional<AdvertHostUsage> AdvertHostProcess::usage() const
{
    PROCESS_MEMORY_COUNTERS memory = {};
    FILETIME created, exited, kernel, user;
    if (!m_process || !GetProcessMemoryInfo(m_process, &memory, sizeof memory)
        || !GetProcessTimes(m_process, &created, &exited, &kernel, &user))
        return std::nullopt;
    const std::int64_t processTime = milliseconds(kernel) + milliseconds(user);
    return AdvertHostUsage{std::int64_t(memory.WorkingSetSize), std::max(processTime, threadTimes())};
}

// The processor time of the host's running threads. Windows counts it in
// the process's own times as well; Wine keeps another process's times at
// zero but reads each thread's from the system, so the larger of the two is
// taken.
std::int64_t AdvertHostProcess::threadTimes() const
{
    const Handle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    if (!snapshot.value)
        return 0;
    std::int64_t total = 0;
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot.value, &entry); more; more = Thread32Next(snapshot.value, &entry)) {
        if (entry.th32OwnerProcessID != m_processId)
            continue;
        const Handle thread(OpenThread(THREAD_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ThreadID));
        FILETIME created, exited, kernel, user;
        if (thread.value && GetThreadTimes(thread.value, &created, &exited, &kernel, &user))
            total += milliseconds(kernel) + milliseconds(user);
    }
    return total;
}

std::size_t AdvertHostProcess::mostLinesHeld() const
{
    const Locked lock(m_lock);
    return m_mostHeld;
}

DWORD WINAPI AdvertHostProcess::readLoop(void* self)
{
    auto* host = static_cast<AdvertHostProcess*>(self);
    host->read();
    {
        const Locked lock(host->m_lock);
        host->m_ended = true;
    }
    host->notify();
    return 0;
}

// Lines as the host wrote them, until the pipe breaks, the panel stops
// reading, or the process is gone: then only what is already in the pipe,
// and no more than a few pipes' worth, so that a pipe another process holds
// open (a child it left, a copy of the handle) cannot keep the host alive
// in the panel's eyes.
void AdvertHostProcess::read()
{
    advert::LineReader reader;
    std::vector<char> buffer(kPipeBytes);
    bool processGone = false;
    DWORD afterGone = 0;
    for (DWORD got = 0; readInto(buffer, got, processGone);) {
        if (got == 0) {
            processGone = true;
            continue;
        }
        if (processGone && (afterGone += got) > 4 * kPipeBytes)
            return;
        bool room = true;
        const int droppedBefore = reader.dropped();
        reader.feed(std::string_view(buffer.data(), got),
                    [this, &room](std::string_view line) { room = room && hold(line); });
        if (reader.dropped() != droppedBefore) {
            {
                const Locked lock(m_lock);
                m_dropped += reader.dropped() - droppedBefore;
            }
            notify();
        }
        if (!room)
            return;
    }
}

// One read: true with the bytes got, or with none when the process is found
// gone while waiting (the caller then reads only what is in the pipe); false
// when there is nothing more to read or the panel stopped reading.
bool AdvertHostProcess::readInto(std::vector<char>& buffer, DWORD& got, bool processGone)
{
    got = 0;
    DWORD waiting = 0;
    if (processGone && (!PeekNamedPipe(m_fromHost, nullptr, 0, nullptr, &waiting, nullptr) || waiting == 0))
        return false;
    const Handle done(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!done.value)
        return false;
    OVERLAPPED overlapped = {};
    overlapped.hEvent = done.value;
    if (!ReadFile(m_fromHost, buffer.data(), static_cast<DWORD>(buffer.size()), nullptr, &overlapped)
        && GetLastError() != ERROR_IO_PENDING)
        return false;
    HANDLE waits[] = {done.value, m_stop, m_process};
    const DWORD woke = WaitForMultipleObjects(processGone ? 2 : 3, waits, FALSE, INFINITE);
    if (woke != WAIT_OBJECT_0)
        CancelIo(m_fromHost);
    // What came before the cancel counts.
    if (GetOverlappedResult(m_fromHost, &overlapped, &got, TRUE) && got > 0)
        return woke != WAIT_OBJECT_0 + 1;
    got = 0;
    return woke == WAIT_OBJECT_0 + 2;
}

// A line for take(), once there is room: false when the panel stopped reading.
bool AdvertHostProcess::hold(std::string_view line)
{
    {
        const Locked lock(m_lock);
        while (!m_stopping && m_lines.size() >= kLinesInFlight)
            SleepConditionVariableSRW(&m_room, &m_lock, INFINITE, 0);
        if (m_stopping)
            return false;
        m_lines.emplace_back(line);
        m_mostHeld = std::max(m_mostHeld, m_lines.size());
    }
    notify();
    return true;
}

void AdvertHostProcess::notify()
{
    {
        const Locked lock(m_lock);
        if (m_noticed)
            return;
        m_noticed = true;
    }
    if (m_events.waiting)
        m_events.waiting();
}

DWORD WINAPI AdvertHostProcess::writeLoop(void* self)
{
    static_cast<AdvertHostProcess*>(self)->write();
    return 0;
}

void AdvertHostProcess::write()
{
    const Handle done(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!done.value)
        return;
    for (;;) {
        std::string line;
        {
            const Locked lock(m_lock);
            while (!m_stopping && m_queue.empty())
                SleepConditionVariableSRW(&m_wake, &m_lock, INFINITE, 0);
            if (m_stopping)
                return;
            line = std::move(m_queue.front());
            m_queue.pop_front();
        }
        OVERLAPPED overlapped = {};
        overlapped.hEvent = done.value;
        ResetEvent(done.value);
        if (!WriteFile(m_toHost, line.data(), static_cast<DWORD>(line.size()), nullptr, &overlapped)
            && GetLastError() != ERROR_IO_PENDING)
            return;
        // A host that reads nothing holds up this thread only, until the end.
        HANDLE waits[] = {done.value, m_stop};
        if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0)
            CancelIo(m_toHost);
        DWORD written = 0;
        if (!GetOverlappedResult(m_toHost, &overlapped, &written, TRUE))
            return;
    }
}

void requestCurrentDocumentMode(const std::wstring& programFileName)
{
    // The control shows every page as Internet Explorer 7 did unless the
    // program is named under this key; 11001 is Internet Explorer 11's own
    // mode, whatever the page's DOCTYPE says. The user's key, which needs no
    // administrator; nothing of ours goes to the machine's.
    constexpr wchar_t kEmulationKey[] =
        L"Software\\Microsoft\\Internet Explorer\\Main\\FeatureControl\\FEATURE_BROWSER_EMULATION";
    constexpr DWORD kCurrentDocumentMode = 11001;
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kEmulationKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key, nullptr)
        != ERROR_SUCCESS)
        return;
    DWORD type = 0;
    DWORD value = 0;
    DWORD size = sizeof value;
    const bool current =
        RegQueryValueExW(key, programFileName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value), &size)
            == ERROR_SUCCESS
        && type == REG_DWORD && value == kCurrentDocumentMode;
    if (!current)
        RegSetValueExW(key, programFileName.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&kCurrentDocumentMode),
                       sizeof kCurrentDocumentMode);
    RegCloseKey(key);
}

} // namespace platform
