#pragma once
// A prepared SQLite statement that finalizes itself, with the few reads the Notes database needs.
// A statement that fails to prepare steps no rows and answers ok() false. Prepared once, it
// runs again after reset().
//
//   Statement query(db, "SELECT Z_PK FROM ZICCLOUDSYNCINGOBJECT WHERE Z_ENT = ?");
//   query.bind(1, entity);
//   while (query.step()) use(query.integer(0));
//   if (!query.ok()) log(sqlite3_errmsg(db));

#include <sqlite3.h>

#include <cstdint>
#include <string>

namespace quillmere::note_store {

class Statement {
public:
    Statement(sqlite3* db, const std::string& sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool ok() const { return statement_ != nullptr && !failed_; }
    // Makes the statement ready to run again, its bindings cleared: one statement serves a run.
    Statement& reset();
    Statement& bind(int index, std::int64_t value);
    Statement& bind(int index, const std::string& value);
    // The next row; false at the end or on an error (then ok() is false).
    bool step();
    bool isNull(int column) const;
    std::int64_t integer(int column) const;
    double real(int column) const;
    // The column's bytes as they are stored (text or blob); empty for NULL.
    std::string text(int column) const;

private:
    sqlite3_stmt* statement_ = nullptr;
    bool failed_ = false;
};

}  // namespace quillmere::note_store
