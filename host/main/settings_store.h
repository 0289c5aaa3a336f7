// The settings plugin's storage: JSON documents by key in an SQLite file, so
// that the stored pages survive a restart of the core. Every write is one
// transaction and is on disk when it returns (synchronous, write-ahead
// log): a process killed in the middle of a write leaves the previous
// document whole.
//
//   SettingsStore store;
//   std::string error;
//   if (!store.Open("/tmp/settings.sqlite3", &error)) ... report error ...
//   store.Put("PerksPreferences/page-settings", R"({"schemaVersion":5})", &error);
//   std::optional<std::string> text = store.Get("PerksPreferences/page-settings", &error);
//
// Only one thread uses a store at a time (the core thread).
#ifndef TAV_HOST_MAIN_SETTINGS_STORE_H_
#define TAV_HOST_MAIN_SETTINGS_STORE_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace tav::host {

class SettingsStore {
 public:
  SettingsStore() = default;
  ~SettingsStore();
  SettingsStore(const SettingsStore&) = delete;
  SettingsStore& operator=(const SettingsStore&) = delete;

  // Opens or creates the file (its folder must exist) and its table. A new
  // file, and the journal files beside it, are for its owner only (0600);
  // an existing one keeps its mode. False
  // with `error` set ("<path>: <reason>") when the file cannot be opened,
  // is not a store, or is read-only.
  bool Open(const std::string& path, std::string* error);
  bool is_open() const { return db_ != nullptr; }
  const std::string& path() const { return path_; }

  // The stored text, or nullopt when the key has none. On a storage error
  // gives nullopt with `error` set; `error` is cleared otherwise.
  std::optional<std::string> Get(std::string_view key, std::string* error);
  // Replaces the key's text in one transaction. False with `error` set when
  // nothing was written.
  bool Put(std::string_view key, std::string_view text, std::string* error);
  // Removes the key. False with `error` empty when there was nothing to
  // remove, false with `error` set on a storage error.
  bool Remove(std::string_view key, std::string* error);
  // Every key, ascending.
  std::vector<std::string> Keys(std::string* error);
  // How many writes (Put and Remove) were committed since Open.
  uint64_t commits() const { return commits_; }

  // The write-ahead log is copied into the store every kCheckpointPages
  // pages written, and cut back to kMaxLogBytes when it starts over, so
  // that neither file grows with the number of writes.
  static constexpr int kCheckpointPages = 64;
  static constexpr int64_t kMaxLogBytes = 256 * 1024;

 private:
  bool Exec(const char* sql, std::string* error);
  std::string Error(const char* what) const;
  void Close();

  sqlite3* db_ = nullptr;
  sqlite3_stmt* get_ = nullptr;
  sqlite3_stmt* put_ = nullptr;
  sqlite3_stmt* remove_ = nullptr;
  std::string path_;
  uint64_t commits_ = 0;
};

}  // namespace tav::host

#endif  // TAV_HOST_MAIN_SETTINGS_STORE_H_
