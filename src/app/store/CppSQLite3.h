// Thin C++ layer over SQLite 3: result codes become CppSQLite3Exception.
// The exception never leaves the program's database code (CDBHelper catches it).
#pragma once
#include "platform/types.h"
#include <cstdint>
#include <string>

struct sqlite3;
struct sqlite3_stmt;

// Layer's own failures ("Database not open" and the like).
constexpr int CPPSQLITE_ERROR = 1000;

class CppSQLite3Exception {
public:
    // Message is "<code name>[<code>]: <detail>".
    CppSQLite3Exception(int errorCode, const std::string& detail);

    int errorCode() const { return m_errorCode; }
    const std::string& errorMessage() const { return m_message; }

    static const char* errorCodeAsString(int errorCode);

private:
    int m_errorCode;
    std::string m_message;
};

// The compiled statement a query or a statement holds: finalized when it
// goes, unless it is only borrowed (a query run from a reusable statement).
class CppSQLite3Handle {
public:
    CppSQLite3Handle(const CppSQLite3Handle&) = delete;
    CppSQLite3Handle& operator=(const CppSQLite3Handle&) = delete;

protected:
    CppSQLite3Handle() = default;
    CppSQLite3Handle(sqlite3* db, sqlite3_stmt* stmt, bool owned) : m_db(db), m_stmt(stmt), m_owned(owned) {}
    ~CppSQLite3Handle() { release(); }
    // Takes the statement over; the source loses it.
    CppSQLite3Handle(CppSQLite3Handle&& other) noexcept;
    CppSQLite3Handle& operator=(CppSQLite3Handle&& other) noexcept;

    void checkStatement() const;
    void release() noexcept;
    // Lets the statement go; an owned one is finalized, and SQLite's error thrown.
    void finalizeStatement();

    sqlite3* m_db = nullptr;
    sqlite3_stmt* m_stmt = nullptr;
    bool m_owned = false;
};

class CppSQLite3Query : public CppSQLite3Handle {
public:
    CppSQLite3Query() = default;
    CppSQLite3Query(sqlite3* db, sqlite3_stmt* stmt, bool eof, bool ownStatement);
    CppSQLite3Query(CppSQLite3Query&& other) noexcept;
    CppSQLite3Query& operator=(CppSQLite3Query&& other) noexcept;

    bool eof() const;
    void nextRow();
    int numFields() const { return m_cols; }
    bool fieldIsNull(int field) const;
    int getIntField(int field) const;
    std::int64_t getInt64Field(int field) const;
    double getFloatField(int field) const;
    std::string getStringField(int field) const;
    void finalize() { finalizeStatement(); }

private:
    void checkField(int field) const;

    bool m_eof = true;
    int m_cols = 0;
};

// A compiled statement with bound parameters (1-based, as SQLite counts them).
// Reusable: execDML and reset leave it ready for the next set of values.
class CppSQLite3Statement : public CppSQLite3Handle {
public:
    CppSQLite3Statement() = default;
    CppSQLite3Statement(sqlite3* db, sqlite3_stmt* stmt) : CppSQLite3Handle(db, stmt, true) {}
    CppSQLite3Statement(CppSQLite3Statement&& other) noexcept = default;
    CppSQLite3Statement& operator=(CppSQLite3Statement&& other) noexcept = default;

    void bind(int param, const std::string& value);
    void bind(int param, std::int64_t value);
    void bind(int param, int value) { bind(param, static_cast<std::int64_t>(value)); }
    void bind(int param, double value);
    void bindNull(int param);
    // Binds `values` to the places from `first` on; answers the place after the last.
    template <class... T>
    int bindFrom(int first, const T&... values)
    {
        (bind(first++, values), ...);
        return first;
    }

    // Runs to completion; returns the number of changed rows. Resets afterwards.
    int execDML();
    // Runs to the first row. The query does not own the statement: call reset()
    // when done with it before binding new values.
    CppSQLite3Query execQuery();
    // Runs to the first row and hands the statement over to the query.
    CppSQLite3Query detachQuery();
    void reset();
    void finalize() { finalizeStatement(); }
};

class CppSQLite3DB : private CNonCopyable {
public:
    CppSQLite3DB() = default;
    ~CppSQLite3DB();

    void open(const std::string& utf8Path);
    void close();
    bool isOpen() const { return m_db != nullptr; }

    void setBusyTimeout(int milliseconds);
    int execDML(const char* sql);
    CppSQLite3Query execQuery(const char* sql);
    int execScalar(const char* sql);
    CppSQLite3Statement compileStatement(const char* sql);
    std::int64_t lastRowId() const;

private:
    sqlite3_stmt* compile(const char* sql);
    void checkDB() const;

    sqlite3* m_db = nullptr;
    int m_busyTimeoutMs = 60000;
};
