// Helpers for the MIME tests: messages from text or from the golden files, and what their
// listed bodies say through the interfaces.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <mimeole/mimeole.h>
#include <winpal/winpal.h>

namespace mimetest {

using winpal::ComPtr;

// The golden file `name` from the test data folder.
std::string GoldenText(const std::string& name);

// A parsed message; the test fails when the factory does.
ComPtr<IMimeMessage> Parse(std::string text);

// GetAttachments' handles, copied out of the task-memory array (which is freed).
std::vector<HBODY> Handles(IMimeMessage* message);

ComPtr<IMimeBody> Bind(IMimeMessage* message, HBODY body);
// The display name (ANSI text) of a bound body.
std::string DisplayName(IMimeBody* body);
// What SaveToFile writes with `encoding`, read back; the result code in *hr.
std::string Saved(IMimeBody* body, ENCODINGTYPE encoding = IET_BINARY, HRESULT* hr = nullptr);

}  // namespace mimetest
