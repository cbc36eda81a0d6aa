// GoogleTest's Notification for MinGW's win32 thread model, which has no std::mutex or
// std::condition_variable for GoogleTest's own: one manual-reset Win32 event. GoogleTest takes
// it in place of its own when GTEST_HAS_NOTIFICATION_ is set; it is included ahead of every
// source that uses GoogleTest in a MinGW build.
#pragma once

#ifdef __cplusplus
#include <windows.h>

namespace testing {
namespace internal {

// Lets a controller thread hold new threads until it notifies them.
class Notification {
public:
    Notification() : event(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
    ~Notification() { CloseHandle(event); }
    Notification(const Notification&) = delete;
    Notification& operator=(const Notification&) = delete;

    void Notify() { SetEvent(event); }
    void WaitForNotification() { WaitForSingleObject(event, INFINITE); }

private:
    HANDLE event;
};

} // namespace internal
} // namespace testing
#endif
