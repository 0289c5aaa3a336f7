#include "main/settings_store.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

namespace tav::host {

namespace {

constexpr const char* kSchema =
    "CREATE TABLE IF NOT EXISTS documents ("
    " key TEXT PRIMARY KEY NOT NULL,"
    " value TEXT NOT NULL,"
    " updated_at TEXT NOT NULL DEFAULT (strftime('%Y-%m-%dT%H:%M:%fZ', 'now')))";

// Resets a prepared statement whatever way the function leaves.
class StatementUse {
 public:
  explicit StatementUse(sqlite3_stmt* statement) : statement_(statement) {}
  ~StatementUse() {
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
  }
  StatementUse(const StatementUse&) = delete;
  StatementUse& operator=(const StatementUse&) = delete;

 private:
  sqlite3_stmt* statement_;
};

// Creates the store's file, empty, readable and writable by its owner only,
// when there is none. SQLite takes an empty file for an empty database and
// gives its write-ahead log and shared-memory files the mode of the store.
// A file already there keeps its mode; a file that cannot be made here is
// left for SQLite to report.
void CreatePrivately(const std::string& path) {
  if (path.empty() || path == ":memory:" || path.rfind("file:", 0) == 0) return;
  const int descriptor = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (descriptor >= 0) close(descriptor);
}

}  // namespace

SettingsStore::~SettingsStore() { Close(); }

void SettingsStore::Close() {
  sqlite3_finalize(get_);
  sqlite3_finalize(put_);
  sqlite3_finalize(remove_);
  get_ = put_ = remove_ = nullptr;
  if (db_ != nullptr) sqlite3_close(db_);
  db_ = nullptr;
}

std::string SettingsStore::Error(const char* what) const {
  return path_ + ": " + what + (db_ != nullptr ? std::string(": ") + sqlite3_errmsg(db_) : std::string());
}

bool SettingsStore::Exec(const char* sql, std::string* error) {
  char* message = nullptr;
  if (sqlite3_exec(db_, sql, nullptr, nullptr, &message) == SQLITE_OK) return true;
  *error = path_ + ": " + (message != nullptr ? message : "unknown SQLite error");
  sqlite3_free(message);
  return false;
}

bool SettingsStore::Open(const std::string& path, std::string* error) {
  Close();
  path_ = path;
  CreatePrivately(path);
  if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX,
                      nullptr) != SQLITE_OK) {
    *error = Error("cannot open the store");
    Close();
    return false;
  }
  sqlite3_busy_timeout(db_, 2000);
  // The write-ahead log with full syncs: a write is durable when Put
  // returns, and a crash at any point leaves the last committed document.
  const std::string log_limits = "PRAGMA wal_autocheckpoint=" + std::to_string(kCheckpointPages) +
                                 "; PRAGMA journal_size_limit=" + std::to_string(kMaxLogBytes);
  if (!Exec("PRAGMA journal_mode=WAL", error) || !Exec("PRAGMA synchronous=FULL", error) ||
      !Exec(log_limits.c_str(), error) || !Exec(kSchema, error)) {
    Close();
    return false;
  }
  if (sqlite3_db_readonly(db_, "main") == 1) {
    *error = path_ + ": the store is read-only";
    Close();
    return false;
  }
  const char* statements[] = {
      "SELECT value FROM documents WHERE key = ?1",
      "INSERT INTO documents (key, value) VALUES (?1, ?2) ON CONFLICT(key) DO UPDATE SET value = excluded.value, "
      "updated_at = strftime('%Y-%m-%dT%H:%M:%fZ', 'now')",
      "DELETE FROM documents WHERE key = ?1"};
  sqlite3_stmt** targets[] = {&get_, &put_, &remove_};
  for (size_t i = 0; i < 3; ++i) {
    if (sqlite3_prepare_v2(db_, statements[i], -1, targets[i], nullptr) != SQLITE_OK) {
      *error = Error("cannot prepare a statement");
      Close();
      return false;
    }
  }
  commits_ = 0;
  return true;
}

std::optional<std::string> SettingsStore::Get(std::string_view key, std::string* error) {
  error->clear();
  if (db_ == nullptr) {
    *error = "the settings store is not open";
    return std::nullopt;
  }
  StatementUse use(get_);
  sqlite3_bind_text(get_, 1, key.data(), static_cast<int>(key.size()), SQLITE_TRANSIENT);
  int step = sqlite3_step(get_);
  if (step == SQLITE_DONE) return std::nullopt;
  if (step != SQLITE_ROW) {
    *error = Error("cannot read");
    return std::nullopt;
  }
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(get_, 0));
  return std::string(text != nullptr ? text : "", static_cast<size_t>(sqlite3_column_bytes(get_, 0)));
}

bool SettingsStore::Put(std::string_view key, std::string_view text, std::string* error) {
  error->clear();
  if (db_ == nullptr) {
    *error = "the settings store is not open";
    return false;
  }
  // One statement outside any explicit transaction is its own transaction.
  StatementUse use(put_);
  sqlite3_bind_text(put_, 1, key.data(), static_cast<int>(key.size()), SQLITE_TRANSIENT);
  sqlite3_bind_text(put_, 2, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
  if (sqlite3_step(put_) != SQLITE_DONE) {
    *error = Error("cannot write");
    return false;
  }
  ++commits_;
  return true;
}

bool SettingsStore::Remove(std::string_view key, std::string* error) {
  error->clear();
  if (db_ == nullptr) {
    *error = "the settings store is not open";
    return false;
  }
  StatementUse use(remove_);
  sqlite3_bind_text(remove_, 1, key.data(), static_cast<int>(key.size()), SQLITE_TRANSIENT);
  if (sqlite3_step(remove_) != SQLITE_DONE) {
    *error = Error("cannot remove");
    return false;
  }
  if (sqlite3_changes(db_) == 0) return false;
  ++commits_;
  return true;
}

std::vector<std::string> SettingsStore::Keys(std::string* error) {
  error->clear();
  std::vector<std::string> keys;
  if (db_ == nullptr) {
    *error = "the settings store is not open";
    return keys;
  }
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(db_, "SELECT key FROM documents ORDER BY key", -1, &statement, nullptr) != SQLITE_OK) {
    *error = Error("cannot list");
    return keys;
  }
  int step;
  while ((step = sqlite3_step(statement)) == SQLITE_ROW) {
    keys.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)),
                      static_cast<size_t>(sqlite3_column_bytes(statement, 0)));
  }
  if (step != SQLITE_DONE) *error = Error("cannot list");
  sqlite3_finalize(statement);
  return keys;
}

}  // namespace tav::host
