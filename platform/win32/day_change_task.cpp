#include "platform/win32/day_change_task.h"

#include <windows.h>
#include <oleauto.h>
#include <taskschd.h>

#include <new>
#include <vector>

#include "platform/win32/com_apartment.h"
#include "platform/win32/com_object.h"
#include "platform/win32/win32_desktop.h"
#include "platform/win32/win32_failure.h"

namespace muralis::win32 {

namespace {

std::wstring utf16_from_utf8(const std::string& text)
{
    if (text.empty())
        return {};
    const int length = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}

std::string utf8_from_utf16(const std::wstring& text)
{
    if (text.empty())
        return {};
    const int length = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                             nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(length), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), length, nullptr,
                          nullptr);
    return utf8;
}

// A BSTR owned from its making to its freeing.
class Bstr {
public:
    explicit Bstr(const std::string& text_utf8)
    {
        const std::wstring wide = utf16_from_utf8(text_utf8);
        m_text = ::SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
        if (!m_text)
            throw std::bad_alloc();
    }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    ~Bstr() { ::SysFreeString(m_text); }
    operator BSTR() const { return m_text; }

private:
    BSTR m_text = nullptr;
};

// The folder that holds path; a drive's root keeps its backslash.
std::string folder_of(const std::string& path)
{
    const std::size_t separator = path.find_last_of("\\/");
    if (separator == std::string::npos)
        return {};
    if (separator == 2 && path[1] == ':')
        return path.substr(0, 3);
    return path.substr(0, separator);
}

} // namespace

std::string xml_escaped(std::string_view text)
{
    std::string escaped;
    escaped.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '&': escaped += "&amp;"; break;
        case '<': escaped += "&lt;"; break;
        case '>': escaped += "&gt;"; break;
        case '"': escaped += "&quot;"; break;
        case '\'': escaped += "&apos;"; break;
        default: escaped += c;
        }
    }
    return escaped;
}

std::string day_change_task_xml(const std::string& description, const std::string& program,
                                const std::string& argument, const std::string& user)
{
    // The boundary has no time zone: midnight by the local clock, whatever
    // it is set to. The command is quoted, as a path with spaces has to be
    // there; the working folder is not, as it must not be.
    return "<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n"
           "<Task version=\"1.2\" xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">\n"
           "  <RegistrationInfo>\n"
           "    <Description>" + xml_escaped(description) + "</Description>\n"
           "  </RegistrationInfo>\n"
           "  <Triggers>\n"
           "    <CalendarTrigger>\n"
           "      <StartBoundary>2000-01-01T00:00:00</StartBoundary>\n"
           "      <ScheduleByDay>\n"
           "        <DaysInterval>1</DaysInterval>\n"
           "      </ScheduleByDay>\n"
           "    </CalendarTrigger>\n"
           "    <SessionStateChangeTrigger>\n"
           "      <StateChange>SessionUnlock</StateChange>\n"
           "      <UserId>" + xml_escaped(user) + "</UserId>\n"
           "    </SessionStateChangeTrigger>\n"
           "  </Triggers>\n"
           "  <Principals>\n"
           "    <Principal id=\"Author\">\n"
           "      <UserId>" + xml_escaped(user) + "</UserId>\n"
           "      <LogonType>InteractiveToken</LogonType>\n"
           "      <RunLevel>LeastPrivilege</RunLevel>\n"
           "    </Principal>\n"
           "  </Principals>\n"
           "  <Settings>\n"
           "    <MultipleInstancesPolicy>IgnoreNew</MultipleInstancesPolicy>\n"
           "    <DisallowStartIfOnBatteries>false</DisallowStartIfOnBatteries>\n"
           "    <StopIfGoingOnBatteries>false</StopIfGoingOnBatteries>\n"
           "    <StartWhenAvailable>true</StartWhenAvailable>\n"
           "  </Settings>\n"
           "  <Actions Context=\"Author\">\n"
           "    <Exec>\n"
           "      <Command>\"" + xml_escaped(program) + "\"</Command>\n"
           "      <Arguments>" + xml_escaped(argument) + "</Arguments>\n"
           "      <WorkingDirectory>" + xml_escaped(folder_of(program)) + "</WorkingDirectory>\n"
           "    </Exec>\n"
           "  </Actions>\n"
           "</Task>\n";
}

std::string current_account()
{
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token))
        throw last_error_failure("OpenProcessToken");
    DWORD size = 0;
    ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<unsigned char> user(size ? size : 1);
    const bool got = ::GetTokenInformation(token, TokenUser, user.data(), size, &size);
    const DWORD error = ::GetLastError();
    ::CloseHandle(token);
    if (!got)
        throw system_failure(error, "GetTokenInformation");

    const PSID sid = reinterpret_cast<const TOKEN_USER*>(user.data())->User.Sid;
    wchar_t name[256];
    wchar_t domain[256];
    DWORD name_length = 256;
    DWORD domain_length = 256;
    SID_NAME_USE use;
    if (!::LookupAccountSidW(nullptr, sid, name, &name_length, domain, &domain_length, &use))
        throw last_error_failure("LookupAccountSid");
    return utf8_from_utf16(std::wstring(domain, domain_length) + L"\\" + std::wstring(name, name_length));
}

// Registered in the scheduler's root folder, where every user may keep
// tasks of their own; an earlier task of that name is replaced. The task
// runs with the token of the user's own session, so no password is kept.
void Win32Desktop::register_day_change(const std::string& name, const std::string& target,
                                       const std::string& argument)
{
    const Bstr xml(day_change_task_xml(name, target, argument, current_account()));
    const ComApartment apartment;
    if (!apartment.usable())
        throw hresult_failure(apartment.result(), name);
    ComPtr<ITaskService> service;
    check(::CoCreateInstance(CLSID_TaskScheduler, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskService, service.out()),
          name);
    VARIANT none;
    ::VariantInit(&none);
    check(service->Connect(none, none, none, none), name);
    ComPtr<ITaskFolder> root;
    check(service->GetFolder(Bstr("\\"), reinterpret_cast<ITaskFolder**>(root.out())), name);
    ComPtr<IRegisteredTask> task;
    check(root->RegisterTask(Bstr(name), xml, TASK_CREATE_OR_UPDATE, none, none, TASK_LOGON_INTERACTIVE_TOKEN, none,
                             reinterpret_cast<IRegisteredTask**>(task.out())),
          name);
}

} // namespace muralis::win32
