// The POSIX socket address of either family and its texts: read from what
// accept, getsockname, getpeername and recvfrom give, written for bind,
// connect and sendto by TIdStackPosix::FillSocketAddress.
#pragma once

#include <cstdint>
#include <string>
#include <sys/socket.h>

// The address as text (dotted IPv4 or IPv6) and the port in host order;
// returns the family (Id_PF_INET or Id_PF_INET6).
int ReadSocketAddress(const sockaddr_storage& storage, int32_t& port, std::string& address);
