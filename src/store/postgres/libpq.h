#pragma once

#include <libpq-fe.h>

namespace gudang {

// The functions of libpq the program uses.
#define GUDANG_LIBPQ_FUNCTIONS(X)                                                                  \
    X(PQclear)                                                                                     \
    X(PQcmdTuples)                                                                                 \
    X(PQconnectPoll)                                                                               \
    X(PQconnectStartParams)                                                                        \
    X(PQconnectionNeedsPassword)                                                                   \
    X(PQconninfoFree)                                                                              \
    X(PQconninfoParse)                                                                             \
    X(PQconsumeInput)                                                                              \
    X(PQdescribePortal)                                                                            \
    X(PQenterPipelineMode)                                                                         \
    X(PQencryptPasswordConn)                                                                       \
    X(PQerrorMessage)                                                                              \
    X(PQexec)                                                                                      \
    X(PQexecParams)                                                                                \
    X(PQexecPrepared)                                                                              \
    X(PQexitPipelineMode)                                                                          \
    X(PQfinish)                                                                                    \
    X(PQfname)                                                                                     \
    X(PQfreemem)                                                                                   \
    X(PQftype)                                                                                     \
    X(PQgetCopyData)                                                                               \
    X(PQgetResult)                                                                                 \
    X(PQgetisnull)                                                                                 \
    X(PQgetlength)                                                                                 \
    X(PQgetvalue)                                                                                  \
    X(PQisBusy)                                                                                    \
    X(PQnfields)                                                                                   \
    X(PQntuples)                                                                                   \
    X(PQpipelineSync)                                                                              \
    X(PQprepare)                                                                                   \
    X(PQputCopyData)                                                                               \
    X(PQputCopyEnd)                                                                                \
    X(PQreset)                                                                                     \
    X(PQresultErrorField)                                                                          \
    X(PQresultErrorMessage)                                                                        \
    X(PQresultStatus)                                                                              \
    X(PQsendPrepare)                                                                               \
    X(PQsendQuery)                                                                                 \
    X(PQsendQueryParams)                                                                           \
    X(PQsendQueryPrepared)                                                                         \
    X(PQsetErrorVerbosity)                                                                         \
    X(PQsetNoticeProcessor)                                                                        \
    X(PQsocket)                                                                                    \
    X(PQstatus)                                                                                    \
    X(PQtransactionStatus)

// libpq, loaded when a server is first used: a program on its data folder's files never loads
// it, nor the libraries it brings (TLS, Kerberos, LDAP), which would lengthen every start.
struct Libpq
{
#define GUDANG_LIBPQ_MEMBER(name) decltype(&::name) name = nullptr;
    GUDANG_LIBPQ_FUNCTIONS(GUDANG_LIBPQ_MEMBER)
#undef GUDANG_LIBPQ_MEMBER
};

// Loads libpq on first use; throws AppError when it cannot be loaded.
const Libpq &pq();

} // namespace gudang
