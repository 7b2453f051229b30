#pragma once

// The statements of the history database. The texts are part of the file format's contract with
// older and newer builds sharing one database, so they are kept verbatim in one place.
namespace vantorel::history_sql {

inline constexpr char kJournalMode[] = "PRAGMA journal_mode=WAL;";
inline constexpr char kAutoVacuum[] = "PRAGMA auto_vacuum=INCREMENTAL;";
// With WAL, NORMAL still keeps every committed sample when the application is killed; only a
// power failure can cost the last few. FULL would flush the disk for every sample of every
// monitor, which costs more than the probe that produced it.
inline constexpr char kSynchronous[] = "PRAGMA synchronous=NORMAL;";
inline constexpr char kSchema[] =
    "CREATE TABLE IF NOT EXISTS samples (\n"
    "    key TEXT NOT NULL, seq INTEGER NOT NULL, rtt REAL, t REAL NOT NULL\n"
    ");\n"
    "CREATE TABLE IF NOT EXISTS trace_paths (\n"
    "    key TEXT PRIMARY KEY, hops TEXT NOT NULL, updated REAL NOT NULL\n"
    ");\n"
    "CREATE TABLE IF NOT EXISTS sweep_states (\n"
    "    key TEXT PRIMARY KEY, state TEXT NOT NULL, updated REAL NOT NULL\n"
    ");";
inline constexpr char kSelectKeys[] =
    "SELECT DISTINCT key FROM samples UNION SELECT key FROM trace_paths ORDER BY key;";
inline constexpr char kIndex[] = "CREATE INDEX IF NOT EXISTS idx_samples_key_t ON samples(key, t);";
// Serves the highest-sequence query, which the (key, t) index cannot: without it that query reads
// every row of the key, and a monitor with a day of history waits twice as long to start.
// Databases written before it existed gain it at their next open.
inline constexpr char kSeqIndex[] =
    "CREATE INDEX IF NOT EXISTS idx_samples_key_seq ON samples(key, seq);";
// A batch of writes goes in as one transaction: one commit, and one append to the log, however
// many samples it holds.
inline constexpr char kBegin[] = "BEGIN;";
inline constexpr char kCommit[] = "COMMIT;";
inline constexpr char kInsertSample[] = "INSERT INTO samples (key, seq, rtt, t) VALUES (?,?,?,?);";

inline constexpr char kSelectSamples[] =
    "SELECT seq, rtt, t FROM samples WHERE key=? AND t>=? ORDER BY t ASC;";
inline constexpr char kSelectHighestSeq[] = "SELECT MAX(seq) FROM samples WHERE key=?;";

inline constexpr char kUpsertTracePath[] =
    "INSERT OR REPLACE INTO trace_paths (key, hops, updated) VALUES (?,?,?);";
inline constexpr char kSelectTracePath[] = "SELECT hops FROM trace_paths WHERE key=?;";
inline constexpr char kUpsertSweepState[] =
    "INSERT OR REPLACE INTO sweep_states (key, state, updated) VALUES (?,?,?);";
inline constexpr char kSelectSweepState[] = "SELECT state FROM sweep_states WHERE key=?;";

// Followed by the cutoff and ";".
inline constexpr char kPruneSamplesBefore[] = "DELETE FROM samples WHERE t < ";
inline constexpr char kIncrementalVacuum[] = "PRAGMA incremental_vacuum;";

// A write that leaves nothing behind, to learn at open whether the file can be written at all.
inline constexpr char kTrialWrite[] =
    "SAVEPOINT trial;\n"
    "INSERT INTO samples (key, seq, rtt, t) VALUES ('', 0, NULL, 0);\n"
    "ROLLBACK TO trial;\n"
    "RELEASE trial;";
inline constexpr char kRollback[] = "ROLLBACK;";

// Reads the schema, the first thing that touches the file's contents: it tells a file that is
// not a database, or whose header is damaged, from one that merely has no tables yet.
inline constexpr char kReadSchema[] = "SELECT count(*) FROM sqlite_master;";

} // namespace vantorel::history_sql
