#pragma once

namespace gudang {

class PgDatabase;

// The program's group roles, its functions (the posting, user management, the log) and the
// grants that give each group exactly what its role may do; inside the running transaction of
// the server's preparation.
void prepareRoles(PgDatabase &db);

} // namespace gudang
