#include "history/Sqlite.h"

#include <sqlite3.h>

namespace vantorel::sqlite {

void Connection::Close::operator()(sqlite3* handle) const {
    // The _v2 form defers the close until every statement is finalized, so the order in which
    // owners are destroyed cannot leave the handle half closed.
    sqlite3_close_v2(handle);
}

Connection Connection::open(const QString& file, QString& error) {
    return openWith(file, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, error);
}

Connection Connection::openReadOnly(const QString& file, QString& error) {
    return openWith(file, SQLITE_OPEN_READONLY, error);
}

Connection Connection::openWith(const QString& file, int flags, QString& error) {
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(file.toUtf8().constData(), &raw, flags, nullptr);
    Connection connection;
    connection.handle_.reset(raw);
    if (rc != SQLITE_OK) {
        error = raw ? QString::fromUtf8(sqlite3_errmsg(raw)) : QStringLiteral("unknown error");
        connection.handle_.reset();
        return connection;
    }
    // Someone reading or backing up the file (a sqlite3 shell, a backup tool) holds its lock for
    // a moment; without a wait, every write in that moment would fail at once and be lost.
    sqlite3_busy_timeout(raw, kBusyTimeoutMs);
    return connection;
}

int Connection::execute(const char* sql) const {
    return sqlite3_exec(handle_.get(), sql, nullptr, nullptr, nullptr);
}

QString Connection::errorMessage() const {
    return QString::fromUtf8(sqlite3_errmsg(handle_.get()));
}

void Statement::Finalize::operator()(sqlite3_stmt* handle) const {
    sqlite3_finalize(handle);
}

Statement Statement::prepare(const Connection& connection, const char* sql) {
    sqlite3_stmt* raw = nullptr;
    Statement statement;
    if (sqlite3_prepare_v2(connection.handle(), sql, -1, &raw, nullptr) == SQLITE_OK)
        statement.handle_.reset(raw);
    else
        sqlite3_finalize(raw);
    return statement;
}

void Statement::reset() {
    sqlite3_reset(handle_.get());
}

void Statement::bindText(int index, const QByteArray& utf8) {
    // Bound up to the terminating NUL, as the stored keys have always been.
    sqlite3_bind_text(handle_.get(), index, utf8.constData(), -1, SQLITE_TRANSIENT);
}

void Statement::bindInt64(int index, std::int64_t value) {
    sqlite3_bind_int64(handle_.get(), index, sqlite3_int64(value));
}

void Statement::bindDouble(int index, double value) {
    sqlite3_bind_double(handle_.get(), index, value);
}

void Statement::bindOptionalDouble(int index, std::optional<double> value) {
    if (value)
        bindDouble(index, *value);
    else
        sqlite3_bind_null(handle_.get(), index);
}

bool Statement::stepRow() {
    return step() == SQLITE_ROW;
}

int Statement::step() {
    return sqlite3_step(handle_.get());
}

void Statement::run() {
    if (!handle_)
        return;
    sqlite3_step(handle_.get());
    sqlite3_reset(handle_.get());
}

std::int64_t Statement::columnInt64(int index) const {
    return std::int64_t(sqlite3_column_int64(handle_.get(), index));
}

double Statement::columnDouble(int index) const {
    return sqlite3_column_double(handle_.get(), index);
}

std::optional<double> Statement::columnOptionalDouble(int index) const {
    if (sqlite3_column_type(handle_.get(), index) == SQLITE_NULL)
        return std::nullopt;
    return columnDouble(index);
}

std::optional<QByteArray> Statement::columnText(int index) const {
    const auto* text = sqlite3_column_text(handle_.get(), index);
    if (!text)
        return std::nullopt;
    return QByteArray(reinterpret_cast<const char*>(text),
                      sqlite3_column_bytes(handle_.get(), index));
}

} // namespace vantorel::sqlite
