#include "CppSQLite3.h"

#include <sqlite3.h>

#include <utility>

namespace {

std::string ConnectionMessage(sqlite3* db)
{
    const char* text = db ? sqlite3_errmsg(db) : nullptr;
    return text ? text : "";
}

// Runs the statement to its first row as a query. On an error an owned
// statement is finalized, a borrowed one reset, and the error thrown.
CppSQLite3Query FirstRow(sqlite3* db, sqlite3_stmt* stmt, bool owned)
{
    int rc = sqlite3_step(stmt);
    if (rc == SQLITE_DONE || rc == SQLITE_ROW)
        return CppSQLite3Query(db, stmt, rc == SQLITE_DONE, owned);
    std::string detail = ConnectionMessage(db);
    if (owned)
        sqlite3_finalize(stmt);
    else
        sqlite3_reset(stmt);
    throw CppSQLite3Exception(rc, detail);
}

}  // namespace

// ---------------------------------------------------------------- exception

CppSQLite3Exception::CppSQLite3Exception(int errorCode, const std::string& detail)
    : m_errorCode(errorCode)
{
    m_message = std::string(errorCodeAsString(errorCode)) + "[" + std::to_string(errorCode) + "]: " + detail;
}

const char* CppSQLite3Exception::errorCodeAsString(int errorCode)
{
    static const char* const kNames[] = {
        "SQLITE_OK",       "SQLITE_ERROR",    "SQLITE_INTERNAL", "SQLITE_PERM",   "SQLITE_ABORT",
        "SQLITE_BUSY",     "SQLITE_LOCKED",   "SQLITE_NOMEM",    "SQLITE_READONLY", "SQLITE_INTERRUPT",
        "SQLITE_IOERR",    "SQLITE_CORRUPT",  "SQLITE_NOTFOUND", "SQLITE_FULL",   "SQLITE_CANTOPEN",
        "SQLITE_PROTOCOL", "SQLITE_EMPTY",    "SQLITE_SCHEMA",   "SQLITE_TOOBIG", "SQLITE_CONSTRAINT",
        "SQLITE_MISMATCH", "SQLITE_MISUSE",   "SQLITE_NOLFS",    "SQLITE_AUTH",   "SQLITE_FORMAT",
        "SQLITE_RANGE",
    };
    if (errorCode >= 0 && errorCode < static_cast<int>(sizeof(kNames) / sizeof(kNames[0])))
        return kNames[errorCode];
    switch (errorCode) {
    case SQLITE_ROW: return "SQLITE_ROW";
    case SQLITE_DONE: return "SQLITE_DONE";
    case CPPSQLITE_ERROR: return "CPPSQLITE_ERROR";
    default: return "UNKNOWN_ERROR";
    }
}

// ---------------------------------------------------------------- query

CppSQLite3Handle::CppSQLite3Handle(CppSQLite3Handle&& other) noexcept
    : m_db(std::exchange(other.m_db, nullptr)),
      m_stmt(std::exchange(other.m_stmt, nullptr)),
      m_owned(std::exchange(other.m_owned, false))
{
}

CppSQLite3Handle& CppSQLite3Handle::operator=(CppSQLite3Handle&& other) noexcept
{
    if (this != &other) {
        release();
        m_db = std::exchange(other.m_db, nullptr);
        m_stmt = std::exchange(other.m_stmt, nullptr);
        m_owned = std::exchange(other.m_owned, false);
    }
    return *this;
}

void CppSQLite3Handle::release() noexcept
{
    if (m_stmt && m_owned)
        sqlite3_finalize(m_stmt);
    m_stmt = nullptr;
}

void CppSQLite3Handle::checkStatement() const
{
    if (!m_stmt)
        throw CppSQLite3Exception(CPPSQLITE_ERROR, "Null Virtual Machine pointer");
}

void CppSQLite3Handle::finalizeStatement()
{
    sqlite3_stmt* stmt = std::exchange(m_stmt, nullptr);
    if (stmt && m_owned) {
        int rc = sqlite3_finalize(stmt);
        if (rc != SQLITE_OK)
            throw CppSQLite3Exception(rc, ConnectionMessage(m_db));
    }
}

// ---------------------------------------------------------------- query

CppSQLite3Query::CppSQLite3Query(sqlite3* db, sqlite3_stmt* stmt, bool eof, bool ownStatement)
    : CppSQLite3Handle(db, stmt, ownStatement), m_eof(eof), m_cols(sqlite3_column_count(stmt))
{
}

CppSQLite3Query::CppSQLite3Query(CppSQLite3Query&& other) noexcept
    : CppSQLite3Handle(std::move(other)), m_eof(std::exchange(other.m_eof, true)), m_cols(std::exchange(other.m_cols, 0))
{
}

CppSQLite3Query& CppSQLite3Query::operator=(CppSQLite3Query&& other) noexcept
{
    if (this != &other) {
        CppSQLite3Handle::operator=(std::move(other));
        m_eof = std::exchange(other.m_eof, true);
        m_cols = std::exchange(other.m_cols, 0);
    }
    return *this;
}

void CppSQLite3Query::checkField(int field) const
{
    checkStatement();
    if (field < 0 || field > m_cols - 1)
        throw CppSQLite3Exception(CPPSQLITE_ERROR, "Invalid field index requested");
}

bool CppSQLite3Query::eof() const
{
    checkStatement();
    return m_eof;
}

void CppSQLite3Query::nextRow()
{
    checkStatement();
    int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_DONE) {
        m_eof = true;
    } else if (rc != SQLITE_ROW) {
        std::string detail = ConnectionMessage(m_db);
        release();
        throw CppSQLite3Exception(rc, detail);
    }
}

bool CppSQLite3Query::fieldIsNull(int field) const
{
    checkField(field);
    return sqlite3_column_type(m_stmt, field) == SQLITE_NULL;
}

int CppSQLite3Query::getIntField(int field) const
{
    checkField(field);
    return sqlite3_column_int(m_stmt, field);
}

std::int64_t CppSQLite3Query::getInt64Field(int field) const
{
    checkField(field);
    return sqlite3_column_int64(m_stmt, field);
}

double CppSQLite3Query::getFloatField(int field) const
{
    checkField(field);
    return sqlite3_column_double(m_stmt, field);
}

std::string CppSQLite3Query::getStringField(int field) const
{
    checkField(field);
    const unsigned char* text = sqlite3_column_text(m_stmt, field);
    if (!text)
        return {};
    return std::string(reinterpret_cast<const char*>(text), static_cast<size_t>(sqlite3_column_bytes(m_stmt, field)));
}

// ---------------------------------------------------------------- statement

void CppSQLite3Statement::bind(int param, const std::string& value)
{
    checkStatement();
    int rc = sqlite3_bind_text(m_stmt, param, value.data(), static_cast<int>(value.size()), SQLITE_TRANSIENT);
    if (rc != SQLITE_OK)
        throw CppSQLite3Exception(rc, ConnectionMessage(m_db));
}

void CppSQLite3Statement::bind(int param, std::int64_t value)
{
    checkStatement();
    int rc = sqlite3_bind_int64(m_stmt, param, value);
    if (rc != SQLITE_OK)
        throw CppSQLite3Exception(rc, ConnectionMessage(m_db));
}

void CppSQLite3Statement::bind(int param, double value)
{
    checkStatement();
    int rc = sqlite3_bind_double(m_stmt, param, value);
    if (rc != SQLITE_OK)
        throw CppSQLite3Exception(rc, ConnectionMessage(m_db));
}

void CppSQLite3Statement::bindNull(int param)
{
    checkStatement();
    int rc = sqlite3_bind_null(m_stmt, param);
    if (rc != SQLITE_OK)
        throw CppSQLite3Exception(rc, ConnectionMessage(m_db));
}

int CppSQLite3Statement::execDML()
{
    checkStatement();
    int rc = sqlite3_step(m_stmt);
    if (rc != SQLITE_DONE && rc != SQLITE_ROW) {
        std::string detail = ConnectionMessage(m_db);
        sqlite3_reset(m_stmt);
        throw CppSQLite3Exception(rc, detail);
    }
    int changes = sqlite3_changes(m_db);
    sqlite3_reset(m_stmt);
    return changes;
}

CppSQLite3Query CppSQLite3Statement::execQuery()
{
    checkStatement();
    return FirstRow(m_db, m_stmt, false);
}

CppSQLite3Query CppSQLite3Statement::detachQuery()
{
    checkStatement();
    return FirstRow(m_db, std::exchange(m_stmt, nullptr), true);
}

void CppSQLite3Statement::reset()
{
    if (m_stmt) {
        sqlite3_reset(m_stmt);
        sqlite3_clear_bindings(m_stmt);
    }
}

// ---------------------------------------------------------------- connection

CppSQLite3DB::~CppSQLite3DB()
{
    try {
        close();
    } catch (const CppSQLite3Exception&) {
        // A failed close leaves the handle set; nothing more can be done here.
    }
}

void CppSQLite3DB::open(const std::string& utf8Path)
{
    close();
    sqlite3* db = nullptr;
    int rc = sqlite3_open(utf8Path.c_str(), &db);
    if (rc != SQLITE_OK) {
        std::string detail = ConnectionMessage(db);
        sqlite3_close(db);
        throw CppSQLite3Exception(rc, detail);
    }
    m_db = db;
    setBusyTimeout(m_busyTimeoutMs);
}

void CppSQLite3DB::close()
{
    if (!m_db)
        return;
    if (sqlite3_close(m_db) != SQLITE_OK)
        throw CppSQLite3Exception(CPPSQLITE_ERROR, "Unable to close database");
    m_db = nullptr;
}

void CppSQLite3DB::setBusyTimeout(int milliseconds)
{
    m_busyTimeoutMs = milliseconds;
    if (m_db)
        sqlite3_busy_timeout(m_db, m_busyTimeoutMs);
}

void CppSQLite3DB::checkDB() const
{
    if (!m_db)
        throw CppSQLite3Exception(CPPSQLITE_ERROR, "Database not open");
}

int CppSQLite3DB::execDML(const char* sql)
{
    checkDB();
    char* error = nullptr;
    int rc = sqlite3_exec(m_db, sql, nullptr, nullptr, &error);
    if (rc != SQLITE_OK) {
        std::string detail = error ? error : "";
        sqlite3_free(error);
        throw CppSQLite3Exception(rc, detail);
    }
    return sqlite3_changes(m_db);
}

sqlite3_stmt* CppSQLite3DB::compile(const char* sql)
{
    checkDB();
    sqlite3_stmt* stmt = nullptr;
    int rc = sqlite3_prepare_v2(m_db, sql, -1, &stmt, nullptr);
    if (rc != SQLITE_OK)
        throw CppSQLite3Exception(rc, ConnectionMessage(m_db));
    if (!stmt)  // empty SQL text
        throw CppSQLite3Exception(CPPSQLITE_ERROR, "Null Virtual Machine pointer");
    return stmt;
}

CppSQLite3Query CppSQLite3DB::execQuery(const char* sql)
{
    return FirstRow(m_db, compile(sql), true);
}

int CppSQLite3DB::execScalar(const char* sql)
{
    CppSQLite3Query query = execQuery(sql);
    if (query.eof() || query.numFields() < 1)
        throw CppSQLite3Exception(CPPSQLITE_ERROR, "Invalid scalar query");
    return query.getIntField(0);
}

CppSQLite3Statement CppSQLite3DB::compileStatement(const char* sql)
{
    return CppSQLite3Statement(m_db, compile(sql));
}

std::int64_t CppSQLite3DB::lastRowId() const
{
    checkDB();
    return sqlite3_last_insert_rowid(m_db);
}
