#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>

struct sqlite3;
struct sqlite3_stmt;

// A thin owning layer over the SQLite C API: handles are closed and statements finalized by their
// destructors, so no early return can leak one. Nothing here throws; failures are result codes.
namespace vantorel::sqlite {

class Connection {
public:
    // How long a statement waits for another connection's lock before it fails.
    static constexpr int kBusyTimeoutMs = 5000;

    Connection() = default;

    // Opens `file` for reading and writing, creating it when absent, with the busy timeout set.
    // On failure the result is empty and `error` holds SQLite's message ("unknown error" when it
    // produced no handle).
    static Connection open(const QString& file, QString& error);
    // Opens an existing `file` for reading only, the same way.
    static Connection openReadOnly(const QString& file, QString& error);

    explicit operator bool() const { return handle_ != nullptr; }
    sqlite3* handle() const { return handle_.get(); }

    // Runs one or more statements, discarding any rows; returns the SQLite result code.
    int execute(const char* sql) const;
    QString errorMessage() const;

private:
    static Connection openWith(const QString& file, int flags, QString& error);

    struct Close {
        void operator()(sqlite3* handle) const;
    };
    std::unique_ptr<sqlite3, Close> handle_;
};

class Statement {
public:
    Statement() = default;

    // An empty statement when preparing fails.
    static Statement prepare(const Connection& connection, const char* sql);

    explicit operator bool() const { return handle_ != nullptr; }

    // Makes a statement that has run ready to run again; bindings are replaced one by one.
    void reset();

    // NUL-terminated UTF-8, copied by SQLite when bound, so `utf8` need not outlive the call.
    void bindText(int index, const QByteArray& utf8);
    void bindInt64(int index, std::int64_t value);
    void bindDouble(int index, double value);
    void bindOptionalDouble(int index, std::optional<double> value);

    // True while the statement delivers a row; false when it is done or failed.
    bool stepRow();
    // Runs the statement to its first row or to its end; returns the SQLite result code.
    int step();
    // Runs a statement without parameters through once and makes it ready for the next time,
    // so that it holds nothing in between. Empty statements do nothing.
    void run();

    std::int64_t columnInt64(int index) const;
    double columnDouble(int index) const;
    std::optional<double> columnOptionalDouble(int index) const;
    std::optional<QByteArray> columnText(int index) const;

private:
    struct Finalize {
        void operator()(sqlite3_stmt* handle) const;
    };
    std::unique_ptr<sqlite3_stmt, Finalize> handle_;
};

} // namespace vantorel::sqlite
