// An installed FTPS server a test starts (vsftpd, proftpd), seen the same way
// by the tests that run against each: where it listens, its login, the files
// of the folder a login starts in (uploads go into "up" there), and its logs
// for a failure's message.
#pragma once

#include <string>

class FtpsTestServer {
public:
    virtual ~FtpsTestServer() = default;

    virtual int Port() const = 0;
    virtual std::string User() const = 0;
    virtual std::string Password() const = 0;
    // Path of `relative` inside the login folder.
    virtual std::string RootFile(const std::string& relative) const = 0;
    virtual std::string Log() const = 0;
};
