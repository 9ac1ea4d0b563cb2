#include "notes_source/note_store/sqlite_statement.h"

namespace quillmere::note_store {

Statement::Statement(sqlite3* db, const std::string& sql) {
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement_, nullptr) != SQLITE_OK) {
        statement_ = nullptr;
    }
}

Statement::~Statement() { sqlite3_finalize(statement_); }

Statement& Statement::reset() {
    if (statement_) {
        sqlite3_reset(statement_);
        sqlite3_clear_bindings(statement_);
    }
    failed_ = false;
    return *this;
}

Statement& Statement::bind(int index, std::int64_t value) {
    if (statement_) sqlite3_bind_int64(statement_, index, value);
    return *this;
}

Statement& Statement::bind(int index, const std::string& value) {
    if (statement_) {
        sqlite3_bind_text(statement_, index, value.data(), static_cast<int>(value.size()),
                          SQLITE_TRANSIENT);
    }
    return *this;
}

bool Statement::step() {
    if (!statement_ || failed_) return false;
    const int status = sqlite3_step(statement_);
    if (status == SQLITE_ROW) return true;
    failed_ = status != SQLITE_DONE;
    return false;
}

bool Statement::isNull(int column) const {
    return sqlite3_column_type(statement_, column) == SQLITE_NULL;
}

std::int64_t Statement::integer(int column) const {
    return sqlite3_column_int64(statement_, column);
}

double Statement::real(int column) const { return sqlite3_column_double(statement_, column); }

std::string Statement::text(int column) const {
    const auto* bytes = sqlite3_column_blob(statement_, column);
    const int size = sqlite3_column_bytes(statement_, column);
    return bytes ? std::string(static_cast<const char*>(bytes), static_cast<std::size_t>(size))
                 : std::string();
}

}  // namespace quillmere::note_store
