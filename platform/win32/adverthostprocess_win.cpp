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

// This process's token with the Low integrity level (the system browser's
// protected mode): the host can read what the user can, but write almost
// nothing of the user's (files, registry, other processes' windows above it).
HANDLE lowIntegrityToken()
{
    HANDLE own = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(),
                          TOKEN_DUPLICATE | TOKEN_ADJUST_DEFAULT | TOKEN_QUERY | TOKEN_ASSIGN_PRIMARY, &own))
        return nullptr;
    const Handle ownToken(own);
    HANDLE duplicate = nullptr;
    if (!DuplicateTokenEx(own, 0, nullptr, SecurityImpersonation, TokenPrimary, &duplicate))
        return nullptr;
    Handle low(duplicate);
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
// ends, however it ends), holds one process, and bounds its memory. The
// processor rate cap is set where the system has one (Windows 8 and later).
HANDLE boundedJob(const AdvertHostBounds& bounds, bool& processorCapped)
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
    JOBOBJECT_CPU_RATE_CONTROL_INFORMATION rate = {};
    rate.ControlFlags = JOB_OBJECT_CPU_RATE_CONTROL_ENABLE | JOB_OBJECT_CPU_RATE_CONTROL_HARD_CAP;
    // In hundredths of a percent of the whole machine.
    rate.CpuRate = static_cast<DWORD>(bounds.processorPercent) * 100;
    processorCapped = SetInformationJobObject(job.value, JobObjectCpuRateControlInformation, &rate, sizeof rate) != 0;
    return job.release();
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

    const Handle token(lowIntegrityToken());
    if (!token.value)
        return nullptr;
    host->m_job = boundedJob(bounds, host->m_rights.processorCapped);
    if (!host->m_job)
        return nullptr;
    host->m_rights.lowIntegrity = true;

    // Two pipes; only the host's ends are inheritable, and only they are
    // handed to it (the handle list), nothing else this process has open.
    SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
    HANDLE hostReads = nullptr;
    HANDLE hostWrites = nullptr;
    if (!CreatePipe(&hostReads, &host->m_toHost, &inheritable, 0))
        return nullptr;
    const Handle hostIn(hostReads);
    if (!CreatePipe(&host->m_fromHost, &hostWrites, &inheritable, 0))
        return nullptr;
    const Handle hostOut(hostWrites);
    SetHandleInformation(host->m_toHost, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(host->m_fromHost, HANDLE_FLAG_INHERIT, 0);

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
    if (m_process)
        WaitForSingleObject(m_process, 5000);
    {
        const Locked lock(m_lock);
        m_stopping = true;
    }
    WakeAllConditionVariable(&m_wake);
    // The process is gone, so its pipe ends are: both threads return.
    for (HANDLE thread : {m_reader, m_writer}) {
        if (!thread)
            continue;
        if (WaitForSingleObject(thread, 2000) != WAIT_OBJECT_0) {
            CancelSynchronousIo(thread);
            WaitForSingleObject(thread, 2000);
        }
        CloseHandle(thread);
    }
    for (HANDLE handle : {m_toHost, m_fromHost, m_process, m_job}) {
        if (handle)
            CloseHandle(handle);
    }
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

int AdvertHostProcess::droppedLines() const
{
    const Locked lock(m_lock);
    return m_dropped;
}

DWORD WINAPI AdvertHostProcess::readLoop(void* self)
{
    auto* host = static_cast<AdvertHostProcess*>(self);
    advert::LineReader reader;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(host->m_fromHost, buffer, sizeof buffer, &got, nullptr) && got > 0) {
        reader.feed(std::string_view(buffer, got), [host, &reader](std::string_view line) {
            // Counted before the next line is handed on: whoever reads the
            // count on that line's account finds the longer ones before it.
            {
                const Locked lock(host->m_lock);
                host->m_dropped = reader.dropped();
            }
            if (host->m_events.line)
                host->m_events.line(line);
        });
    }
    if (host->m_events.ended)
        host->m_events.ended();
    return 0;
}

DWORD WINAPI AdvertHostProcess::writeLoop(void* self)
{
    auto* host = static_cast<AdvertHostProcess*>(self);
    for (;;) {
        std::string line;
        {
            const Locked lock(host->m_lock);
            while (!host->m_stopping && host->m_queue.empty())
                SleepConditionVariableSRW(&host->m_wake, &host->m_lock, INFINITE, 0);
            if (host->m_stopping)
                return 0;
            line = std::move(host->m_queue.front());
            host->m_queue.pop_front();
        }
        DWORD written = 0;
        if (!WriteFile(host->m_toHost, line.data(), static_cast<DWORD>(line.size()), &written, nullptr))
            return 0;
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
