#include "sock/socket_errors.h"

#include "core/exceptions.h"
#include "sock/stack.h"
#include "sock/stack_posix.h"

#include <cerrno>

int32_t SocketCodeFromErrno(int err, TIdSocketCall call) {
    using namespace IdCode;
    // Linux wakes an accept() on a listener that was shut down with EINVAL and
    // reports a closed descriptor as EBADF; Windows reports both as "not a
    // socket", the code that tells a waiting accept it was ended on purpose.
    if (call == TIdSocketCall::Accept && (err == EINVAL || err == EBADF))
        return WSAENOTSOCK;
    switch (err) {
    case EINTR: return WSAEINTR;
    case EBADF: return WSAEBADF;
    case EACCES:
    case EPERM: return WSAEACCES;
    case EFAULT: return WSAEFAULT;
    case EINVAL: return WSAEINVAL;
    case EMFILE:
    case ENFILE: return WSAEMFILE;
    case EAGAIN: return WSAEWOULDBLOCK;
    case EINPROGRESS: return WSAEINPROGRESS;
    case EALREADY: return WSAEALREADY;
    case ENOTSOCK: return WSAENOTSOCK;
    case EDESTADDRREQ: return WSAEDESTADDRREQ;
    case EMSGSIZE: return WSAEMSGSIZE;
    case EPROTOTYPE: return WSAEPROTOTYPE;
    case ENOPROTOOPT: return WSAENOPROTOOPT;
    case EPROTONOSUPPORT: return WSAEPROTONOSUPPORT;
    case ESOCKTNOSUPPORT: return WSAESOCKTNOSUPPORT;
    case EOPNOTSUPP: return WSAEOPNOTSUPP;
    case EPFNOSUPPORT: return WSAEPFNOSUPPORT;
    case EAFNOSUPPORT: return WSAEAFNOSUPPORT;
    case EADDRINUSE: return WSAEADDRINUSE;
    case EADDRNOTAVAIL: return WSAEADDRNOTAVAIL;
    case ENETDOWN: return WSAENETDOWN;
    case ENETUNREACH: return WSAENETUNREACH;
    case ENETRESET: return WSAENETRESET;
    case ECONNABORTED: return WSAECONNABORTED;
    // A send to a peer that is gone: Windows calls it a reset connection.
    case EPIPE:
    case ECONNRESET: return WSAECONNRESET;
    case ENOMEM:
    case ENOBUFS: return WSAENOBUFS;
    case EISCONN: return WSAEISCONN;
    case ENOTCONN: return WSAENOTCONN;
    case ESHUTDOWN: return WSAESHUTDOWN;
    case ETOOMANYREFS: return WSAETOOMANYREFS;
    case ETIMEDOUT: return WSAETIMEDOUT;
    case ECONNREFUSED: return WSAECONNREFUSED;
    case ELOOP: return WSAELOOP;
    case ENAMETOOLONG: return WSAENAMETOOLONG;
    case EHOSTDOWN: return WSAEHOSTDOWN;
    case EHOSTUNREACH: return WSAEHOSTUNREACH;
    case ENOTEMPTY: return WSAENOTEMPTY;
    default: return err;
    }
}

std::optional<TIdMsg> BaseSocketErrorMsg(int32_t code) {
    using namespace IdCode;
    switch (code) {
    case WSAEINTR: return TIdMsg::SockEINTR;
    case WSAEBADF: return TIdMsg::SockEBADF;
    case WSAEACCES: return TIdMsg::SockEACCES;
    case WSAEFAULT: return TIdMsg::SockEFAULT;
    case WSAEINVAL: return TIdMsg::SockEINVAL;
    case WSAEMFILE: return TIdMsg::SockEMFILE;
    case WSAEWOULDBLOCK: return TIdMsg::SockEWOULDBLOCK;
    case WSAEINPROGRESS: return TIdMsg::SockEINPROGRESS;
    case WSAEALREADY: return TIdMsg::SockEALREADY;
    case WSAENOTSOCK: return TIdMsg::SockENOTSOCK;
    case WSAEDESTADDRREQ: return TIdMsg::SockEDESTADDRREQ;
    case WSAEMSGSIZE: return TIdMsg::SockEMSGSIZE;
    case WSAEPROTOTYPE: return TIdMsg::SockEPROTOTYPE;
    case WSAENOPROTOOPT: return TIdMsg::SockENOPROTOOPT;
    case WSAEPROTONOSUPPORT: return TIdMsg::SockEPROTONOSUPPORT;
    case WSAESOCKTNOSUPPORT: return TIdMsg::SockESOCKTNOSUPPORT;
    case WSAEOPNOTSUPP: return TIdMsg::SockEOPNOTSUPP;
    case WSAEPFNOSUPPORT: return TIdMsg::SockEPFNOSUPPORT;
    case WSAEAFNOSUPPORT: return TIdMsg::SockEAFNOSUPPORT;
    case WSAEADDRINUSE: return TIdMsg::SockEADDRINUSE;
    case WSAEADDRNOTAVAIL: return TIdMsg::SockEADDRNOTAVAIL;
    case WSAENETDOWN: return TIdMsg::SockENETDOWN;
    case WSAENETUNREACH: return TIdMsg::SockENETUNREACH;
    case WSAENETRESET: return TIdMsg::SockENETRESET;
    case WSAECONNABORTED: return TIdMsg::SockECONNABORTED;
    case WSAECONNRESET: return TIdMsg::SockECONNRESET;
    case WSAENOBUFS: return TIdMsg::SockENOBUFS;
    case WSAEISCONN: return TIdMsg::SockEISCONN;
    case WSAENOTCONN: return TIdMsg::SockENOTCONN;
    case WSAESHUTDOWN: return TIdMsg::SockESHUTDOWN;
    case WSAETOOMANYREFS: return TIdMsg::SockETOOMANYREFS;
    case WSAETIMEDOUT: return TIdMsg::SockETIMEDOUT;
    case WSAECONNREFUSED: return TIdMsg::SockECONNREFUSED;
    case WSAELOOP: return TIdMsg::SockELOOP;
    case WSAENAMETOOLONG: return TIdMsg::SockENAMETOOLONG;
    case WSAEHOSTDOWN: return TIdMsg::SockEHOSTDOWN;
    case WSAEHOSTUNREACH: return TIdMsg::SockEHOSTUNREACH;
    case WSAENOTEMPTY: return TIdMsg::SockENOTEMPTY;
    default: return std::nullopt;
    }
}

// --- Code to text ---

std::string TIdStack::SocketErrorText(int32_t code) {
    const auto msg = BaseSocketErrorMsg(code);
    return FormatMsg(TIdMsg::SocketError, {std::to_string(code), msg ? MsgText(*msg) : ""});
}

std::string TIdStackPosix::SocketErrorText(int32_t code) {
    // The resolver's failure has a text of its own here; the base table
    // stops at the socket codes.
    if (code == IdCode::WSAHOST_NOT_FOUND)
        return FormatMsg(TIdMsg::SocketError,
                         {std::to_string(code), MsgText(TIdMsg::SockHOST_NOT_FOUND)});
    return TIdStack::SocketErrorText(code);
}

// --- Code to exception: the only places that raise EIdSocketError ---

bool CheckSocketResult(int64_t result, std::initializer_list<int32_t> expected) {
    if (result != Id_SOCKET_ERROR)
        return false;
    TIdStack& stack = Stack();
    const int32_t failure = stack.LastErrorCode();
    stack.LastSocketError = failure;
    for (int32_t code : expected)
        if (code == failure)
            return true;
    ThrowSocketError(failure);
}

void ThrowSocketError(int32_t code) {
    throw EIdSocketError(code, Stack().SocketErrorText(code));
}
