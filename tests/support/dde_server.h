#pragma once
// A DDE server on a thread of its own, standing in for a web browser or another program
// that is handed work by DDE: it records the items it is asked for and the commands it is
// given, and answers every request with "ok".
#include <windows.h>

#include <dde.h>
#include <ddeml.h>

#include <mutex>
#include <string>
#include <thread>

namespace testing_support {

class DdeServer {
public:
    explicit DdeServer(const char* service) : service_(service) {
        ready_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        thread_ = std::thread([this] { Run(); });
        WaitForSingleObject(ready_, 10000);
    }
    ~DdeServer() {
        PostThreadMessageA(thread_id_, WM_QUIT, 0, 0);
        thread_.join();
        CloseHandle(ready_);
    }
    // The last item asked for and the last command given; empty before the first.
    std::string Requested() {
        std::lock_guard<std::mutex> hold(lock_);
        return requested_;
    }
    std::string Executed() {
        std::lock_guard<std::mutex> hold(lock_);
        return executed_;
    }

private:
    static HDDEDATA CALLBACK Callback(UINT type, UINT, HCONV, HSZ topic, HSZ item, HDDEDATA data,
                                      ULONG_PTR, ULONG_PTR) {
        DdeServer* self = current_;
        switch (type) {
            case XTYP_CONNECT:
                return reinterpret_cast<HDDEDATA>(TRUE);
            case XTYP_REQUEST: {
                char text[600] = {};
                DdeQueryStringA(self->instance_, item, text, sizeof text, CP_WINANSI);
                std::lock_guard<std::mutex> hold(self->lock_);
                self->requested_ = text;
                return DdeCreateDataHandle(self->instance_,
                                           reinterpret_cast<BYTE*>(const_cast<char*>("ok")), 3, 0,
                                           item, CF_TEXT, 0);
            }
            case XTYP_EXECUTE: {
                char text[600] = {};
                DWORD n = DdeGetData(data, reinterpret_cast<BYTE*>(text), sizeof text - 1, 0);
                std::lock_guard<std::mutex> hold(self->lock_);
                self->executed_.assign(text, n);
                return reinterpret_cast<HDDEDATA>(DDE_FACK);
            }
        }
        (void)topic;
        return nullptr;
    }
    void Run() {
        thread_id_ = GetCurrentThreadId();
        current_ = this;
        DdeInitializeA(&instance_, Callback, APPCLASS_STANDARD | CBF_SKIP_ALLNOTIFICATIONS, 0);
        HSZ name = DdeCreateStringHandleA(instance_, service_, CP_WINANSI);
        DdeNameService(instance_, name, nullptr, DNS_REGISTER);
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);  // the thread's queue exists now
        SetEvent(ready_);
        while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
        DdeNameService(instance_, name, nullptr, DNS_UNREGISTER);
        DdeFreeStringHandle(instance_, name);
        DdeUninitialize(instance_);
    }
    static inline DdeServer* current_;
    const char* service_;
    std::mutex lock_;
    std::string requested_;
    std::string executed_;
    DWORD instance_ = 0;
    DWORD thread_id_ = 0;
    HANDLE ready_;
    std::thread thread_;
};

}  // namespace testing_support
