// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

// What Narrator and NVDA are told unasked by the window titled by the argument: a UI Automation
// client that subscribes to the notifications raised anywhere in that window, as they do, and
// prints each one as a line, "notification <text> (kind <n>, processing <n>)", until the window
// closes. A subscription that UI Automation refuses is printed too, with its HRESULT, and ends the
// client with 2; no window within a minute ends it with 1.

#include <cstdio>
#include <string>
#include <uiautomationclient.h>
#include <windows.h>

namespace {

void print(const std::wstring &line)
{
    const std::wstring withEnd = line + L"\n";
    const int size = WideCharToMultiByte(CP_UTF8, 0, withEnd.c_str(), int(withEnd.size()), nullptr,
                                         0, nullptr, nullptr);
    std::string utf8(size_t(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, withEnd.c_str(), int(withEnd.size()), utf8.data(), size,
                        nullptr, nullptr);
    std::fwrite(utf8.data(), 1, utf8.size(), stdout);
    std::fflush(stdout);
}

std::wstring hex(HRESULT result)
{
    wchar_t text[16];
    std::swprintf(text, 16, L"0x%08lx", static_cast<unsigned long>(result));
    return text;
}

class NotificationPrinter final : public IUIAutomationNotificationEventHandler
{
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **object) override
    {
        if (iid == __uuidof(IUnknown) || iid == __uuidof(IUIAutomationNotificationEventHandler)) {
            *object = static_cast<IUIAutomationNotificationEventHandler *>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    // Lives on main's stack for as long as UI Automation may call it.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    HRESULT STDMETHODCALLTYPE HandleNotificationEvent(IUIAutomationElement *, NotificationKind kind,
                                                      NotificationProcessing processing, BSTR text,
                                                      BSTR) override
    {
        print(L"notification " + std::wstring(text ? text : L"") + L" (kind " +
              std::to_wstring(kind) + L", processing " + std::to_wstring(processing) + L")");
        return S_OK;
    }
};

} // namespace

int wmain(int argc, wchar_t **argv)
{
    if (argc != 2) {
        print(L"usage: uia_notifications WINDOW-TITLE");
        return 2;
    }
    HWND window = nullptr;
    for (int tries = 0; !window && tries < 600; ++tries) {
        window = FindWindowW(nullptr, argv[1]);
        if (!window)
            Sleep(100);
    }
    if (!window) {
        print(L"no window titled " + std::wstring(argv[1]));
        return 1;
    }

    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    IUIAutomation5 *automation = nullptr;
    HRESULT result =
        CoCreateInstance(__uuidof(CUIAutomation8), nullptr, CLSCTX_INPROC_SERVER,
                         __uuidof(IUIAutomation5), reinterpret_cast<void **>(&automation));
    if (FAILED(result)) {
        print(L"no IUIAutomation5 from CUIAutomation8: " + hex(result));
        return 2;
    }
    // Asking for the window's element is what makes Qt answer UI Automation at all.
    IUIAutomationElement *element = nullptr;
    result = automation->ElementFromHandle(window, &element);
    if (FAILED(result)) {
        print(L"ElementFromHandle: " + hex(result));
        return 2;
    }
    BSTR name = nullptr;
    element->get_CurrentName(&name);
    print(L"listening to " + std::wstring(name ? name : L""));
    SysFreeString(name);

    NotificationPrinter printer;
    result = automation->AddNotificationEventHandler(element, TreeScope_Subtree, nullptr, &printer);
    if (FAILED(result)) {
        print(L"AddNotificationEventHandler: " + hex(result));
        return 2;
    }
    while (IsWindow(window))
        Sleep(100);
    automation->RemoveNotificationEventHandler(element, &printer);
    return 0;
}
