#include <gtest/gtest.h>

#include <thread>

#include <winpal/com.h>

namespace {

TEST(CoInitialize, CountsPerThreadAndKeepsTheModel) {
    ASSERT_EQ(CoInitialize(nullptr), S_OK);
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_FALSE);
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), RPC_E_CHANGED_MODE);
    HRESULT otherThread = E_FAIL;
    std::thread([&] {
        otherThread = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        CoUninitialize();
    }).join();
    EXPECT_EQ(otherThread, S_OK);
    CoUninitialize();
    CoUninitialize();
    // Fully uninitialised: a new model may be chosen.
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    CoUninitialize();
    int reserved = 0;
    EXPECT_EQ(CoInitialize(&reserved), E_INVALIDARG);
}

}  // namespace
