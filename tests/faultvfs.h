#pragma once

namespace gudang::test {

// An SQLite file layer over the real one that can make writes fail or end the process, for
// the fault tests. install() makes it the default for every connection opened afterwards.
namespace faultvfs {
void install();
// Every write, sync and truncate fails with this SQLite result code; 0 lets them through.
void failWrites(int rc);
// The process ends (exit code 70) just before its n-th write, sync or truncate from now on,
// as a power cut or a kill would end it; 0 never.
void exitAtWrite(int n);
// While on, a database file is opened read-only, as on a disk mounted read-only: a connection
// opened meanwhile stays read-only after it is turned off, as a real one does.
void readOnlyMedium(bool on);
// Every read of a file waits this long first; 0 reads at once.
void slowReads(int microseconds);
// Every read made on a thread other than the one that installed the layer (a record source's
// loading thread) waits this long first; 0 reads at once.
void slowLoaderReads(int microseconds);
// While on, every read of a file fails with an I/O error.
void failReads(bool on);
// Writes, syncs and truncates since the last exitAtWrite().
int writes();
} // namespace faultvfs

} // namespace gudang::test
