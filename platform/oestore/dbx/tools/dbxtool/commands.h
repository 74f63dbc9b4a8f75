// The commands of dbxtool. Each returns the process exit code: 0 done, 1 the file has findings
// or damage, 2 the command could not run.
#pragma once

#include <string>
#include <vector>

namespace dbxtool {

using Args = std::vector<std::string>;

int Info(const Args& args);
int List(const Args& args);
int Cat(const Args& args);
int Extract(const Args& args);
int Check(const Args& args);
int Compact(const Args& args);
int Folders(const Args& args);
int Pack(const Args& args);

// The code page of the names in Folders.dbx, as the store takes it: the one WINPAL_ACP names
// when it is one the platform layer knows (65001 UTF-8, 28591 Latin-1), else Windows-1252.
unsigned StoreCodePage();

// "0x01000081 RH" style rendering of message flags: read, has body, flagged, watched...
std::string FlagLetters(unsigned flags);

}  // namespace dbxtool
