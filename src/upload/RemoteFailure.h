// Why a remote operation failed, in kinds the upload window acts on (a
// folder that is not there is offered to be created; anything else is shown
// as a failure with its cause).
#pragma once

namespace pellucor {

enum class RemoteFailure {
    None,
    NotFound,     // the server says the path is not there
    Refused,      // the server answered no (permission, disk full, ...)
    LoginDenied,  // account or password not accepted
    HostKey,      // SSH host key unknown or changed
    Connection,   // no connection, connection lost, TLS refused, no answer in time
    Cancelled,
};

}  // namespace pellucor
