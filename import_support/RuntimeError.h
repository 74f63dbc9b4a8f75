// Errors in the form the program reports them to the user: the classic BASIC run-time error
// numbers and descriptions ("53 File not found"), mapped from the operating system's errors.
#pragma once

#include <QString>
#include <exception>

namespace vb {

constexpr int kInvalidProcedureCall = 5;
constexpr int kOverflow = 6;
constexpr int kSubscriptOutOfRange = 9;
constexpr int kObjectNotSet = 91;
constexpr int kFileNotFound = 53;
constexpr int kBadFileMode = 54;
constexpr int kDeviceIoError = 57;
constexpr int kFileAlreadyExists = 58;
constexpr int kDiskFull = 61;
constexpr int kInputPastEndOfFile = 62;
constexpr int kTooManyFiles = 67;
constexpr int kPermissionDenied = 70;
constexpr int kPathFileAccessError = 75;
constexpr int kPathNotFound = 76;
constexpr int kKeyAlreadyAssociated = 457;
constexpr int kBufferTooSmall = 20476;  // the common dialog's returned text does not fit

// The run time's description of an error number ("Application-defined or object-defined error"
// for numbers it does not know).
QString ErrorDescription(int number);

class RuntimeError : public std::exception {
  public:
    explicit RuntimeError(int number) : number_(number), description_(ErrorDescription(number)) {}
    RuntimeError(int number, QString description)
        : number_(number), description_(std::move(description)) {}

    int Number() const { return number_; }
    const QString& Description() const { return description_; }
    const char* what() const noexcept override { return "BASIC run-time error"; }

  private:
    int number_;
    QString description_;
};

// What an errno from opening, reading or writing a file means to the user. `pathExists` tells,
// for ENOENT, whether the file's folder exists (file not found) or not (path not found).
RuntimeError ErrorFromErrno(int err, bool pathExists);

}  // namespace vb
