// TestPlatform: a Platform that prints its fatal errors.
#include "TestPlatform.h"

#include <cstdio>
#include <exception>
#include <string>

#include "main/ErrorMsg.h"

namespace {

void Print(std::exception_ptr error) {
    std::string text;
    try {
        std::rethrow_exception(error);
    } catch (const ErrorMsg& e) {
        text = e.message;
    } catch (const std::exception& e) {
        text = e.what();
    } catch (...) {
        text = "an exception of no known type";
    }
    std::fprintf(stderr, "fatal error: %s\n", text.c_str());
}

} // namespace

Platform& TestPlatform::Get() {
    static Platform platform(Print);
    return platform;
}
