#include "plugin_fuzz/plugin_checks.h"

#include <algorithm>
#include <set>

#include "fuzz_check.h"
#include "json_text.h"

namespace tav::fuzzing {

namespace {

constexpr std::string_view kDisabledPerksPrefix = "/vexa-messaging-service/v1/message/perks/v1/disabled/";
constexpr const char* kStoredDocumentPath = "/tav-settings/v2/account/PerksPreferences/page-settings";
constexpr std::string_view kPagesPath = "/tav-perks/v1/pages";
constexpr std::string_view kPagesEventName = "OnJsonApiEvent_tav-perks_v1_pages";

// Functions after whose success the book has been saved, when the save was
// allowed at all.
constexpr std::string_view kSavingFunctions[] = {
    "PostTavPerksV1Pages",           "PutTavPerksV1PagesById", "DeleteTavPerksV1PagesById",
    "DeleteTavPerksV1Pages",         "PostTavPerksV1UpdatePageOrder", "PutTavPerksV1Settings",
    "PutTavPerksV1PerksAckGameplayUpdated",
};

// The fields of a page that only change together with a save. `current`
// and `isActive` follow the current and active page, which change without
// one.
constexpr const char* kSavedPageFields[] = {"id",         "name",           "order",
                                            "primaryStyleId", "subStyleId", "selectedPerkIds",
                                            "autoModifiedSelections", "isValid", "isEditable",
                                            "isDeletable"};

std::string Text(const rapidjson::Value& value) { return host::JsonText(value); }

bool IsBool(const rapidjson::Value& object, const char* name) {
  return object.HasMember(name) && object[name].IsBool();
}
bool IsInt(const rapidjson::Value& object, const char* name) {
  return object.HasMember(name) && object[name].IsInt();
}
bool IsIntArray(const rapidjson::Value& object, const char* name) {
  if (!object.HasMember(name) || !object[name].IsArray()) return false;
  const auto array = object[name].GetArray();
  return std::all_of(array.begin(), array.end(), [](const rapidjson::Value& v) { return v.IsInt(); });
}

// A page as the stored document and the API spell it.
bool IsPage(const rapidjson::Value& page) {
  return page.IsObject() && IsInt(page, "id") && IsInt(page, "order") &&
         IsInt(page, "primaryStyleId") && IsInt(page, "subStyleId") &&
         page.HasMember("name") && page["name"].IsString() && IsIntArray(page, "selectedPerkIds") &&
         IsIntArray(page, "autoModifiedSelections") && IsBool(page, "current") &&
         IsBool(page, "isActive") && IsBool(page, "isValid") && IsBool(page, "isEditable") &&
         IsBool(page, "isDeletable");
}

bool IsPageList(const rapidjson::Value& object, const char* name) {
  if (!object.HasMember(name) || !object[name].IsArray()) return false;
  const auto array = object[name].GetArray();
  return std::all_of(array.begin(), array.end(), IsPage);
}

// The stored form: {"data": {"pages", "perShardPerkBooks", "settings"},
// "schemaVersion": 5}.
bool IsStoredDocument(const rapidjson::Value& doc) {
  if (!doc.IsObject() || !doc.HasMember("schemaVersion") || !doc["schemaVersion"].IsUint() ||
      doc["schemaVersion"].GetUint() != 5 || !doc.HasMember("data") || !doc["data"].IsObject()) {
    return false;
  }
  const rapidjson::Value& data = doc["data"];
  if (!IsPageList(data, "pages") || !data.HasMember("settings") || !data["settings"].IsObject() ||
      !data.HasMember("perShardPerkBooks") || !data["perShardPerkBooks"].IsObject()) {
    return false;
  }
  for (const auto& book : data["perShardPerkBooks"].GetObject()) {
    if (!book.value.IsObject() || !IsInt(book.value, "currentPageId") || !IsPageList(book.value, "pages")) {
      return false;
    }
  }
  return true;
}

// The saved fields of each page, in list order.
std::string SavedFields(const std::vector<const rapidjson::Value*>& pages) {
  std::string text;
  for (const rapidjson::Value* page : pages) {
    for (const char* field : kSavedPageFields) {
      text += field;
      text += "=";
      text += page->HasMember(field) ? Text((*page)[field]) : "?";
      text += " ";
    }
    text += "\n";
  }
  return text;
}

bool Contains(const std::vector<int32_t>& ids, int32_t id) {
  return std::find(ids.begin(), ids.end(), id) != ids.end();
}

}  // namespace

void PluginChecks::CheckAnswer(const host::CallResult& answer, std::string_view what) const {
  const std::string where = std::string(what) + ": " + answer.Summary();
  std::string faults;
  for (const std::string& fault : answer.faults) faults += fault + "\n";
  FUZZ_CHECK(answer.faults.empty(), where + "\n" + faults);
  if (answer.ok()) {
    FUZZ_CHECK(answer.status == 200, where);
    return;
  }
  FUZZ_CHECK(!answer.error->empty(), where);
  FUZZ_CHECK(answer.status == 0 || (answer.status >= 400 && answer.status <= 599), where);
}

void PluginChecks::NoteStylesServed(size_t count) { styles_bound_ = std::max(styles_bound_, count); }

void PluginChecks::AfterStep(const StepOutcome& outcome) {
  CheckBoundary();
  if (outcome.call != nullptr) CheckAnswer(*outcome.call, outcome.function);
  FollowShard();
  if (!core_.plugin_alive()) return;
  const Book book = ReadBook();
  CheckOperation(outcome, book);
  CheckStoredDocument(outcome, book);
  CheckPublishedPages(book);
  page_ids_ = book.ids;
  current_page_id_ = book.current;
  owned_ = book.owned;
}

void PluginChecks::AfterShutdown() { CheckBoundary(); }

void PluginChecks::CheckBoundary() {
  const auto& faults = core_.faults();
  FUZZ_CHECK(faults.size() == faults_seen_, "development core fault: " + faults.back());
  const auto& log = core_.log();
  for (; log_seen_ < log.size(); ++log_seen_) {
    const std::string& line = log[log_seen_].text;
    const bool threw = line.find("Exception while dispatching") != std::string::npos ||
                       line.find("exception while handling event") != std::string::npos ||
                       line.find("initialization failed") != std::string::npos;
    FUZZ_CHECK(!threw, line);
  }
}

void PluginChecks::FollowShard() {
  const auto& requests = core_.requests();
  for (; requests_seen_ < requests.size(); ++requests_seen_) {
    const host::PeerRequest& request = requests[requests_seen_].request;
    // Observing the disabled-perks messages right after the shard lookup
    // GETs their path, which ends in the shard.
    if (request.method == TAV_METHOD_GET && request.url.rfind(kDisabledPerksPrefix, 0) == 0) {
      shard_ = request.url.substr(kDisabledPerksPrefix.size());
    }
  }
}

PluginChecks::Book PluginChecks::ReadBook() {
  Book book;
  host::CallResult pages = core_.Get("/tav-perks/v1/pages");
  CheckAnswer(pages, "GET /pages");
  FUZZ_CHECK(pages.ok() && pages.value.IsArray(), pages.Summary() + " " + pages.ValueJson());
  std::set<int32_t> unique;
  size_t current = 0;
  size_t active = 0;
  for (const auto& page : pages.value.GetArray()) {
    FUZZ_CHECK(IsPage(page), "page of an odd form: " + Text(page));
    const int32_t id = page["id"].GetInt();
    FUZZ_CHECK(id != 0, "page id 0: " + Text(page));
    FUZZ_CHECK(unique.insert(id).second, "page id twice: " + pages.ValueJson());
    book.ids.push_back(id);
    if (page["isEditable"].GetBool()) ++book.editable;
    if (page["current"].GetBool()) {
      ++current;
      book.current = id;
    }
    if (page["isActive"].GetBool()) ++active;
  }
  FUZZ_CHECK(current <= 1 && active <= 1, "several current or active pages: " + pages.ValueJson());

  // The current page id may name a page that is gone (the only page was
  // deleted, or a reset found no preset pages); GET answers 404 then.
  host::CallResult current_page = core_.Get("/tav-perks/v1/currentpage");
  CheckAnswer(current_page, "GET /currentpage");
  if (current_page.ok()) {
    FUZZ_CHECK(current_page.value.IsObject() && IsInt(current_page.value, "id") &&
                   current_page.value["id"].GetInt() == book.current && book.current != 0,
               "current page " + current_page.ValueJson() + " is not the page marked current in " +
                   pages.ValueJson());
  } else {
    FUZZ_CHECK(current_page.status == 404 && *current_page.error == "Perk Page not found." &&
                   current == 0,
               "no current page (" + current_page.Summary() + ") but the list has one: " +
                   pages.ValueJson());
  }

  host::CallResult inventory = core_.Get("/tav-perks/v1/inventory");
  CheckAnswer(inventory, "GET /inventory");
  FUZZ_CHECK(inventory.ok() && inventory.value.IsObject() && inventory.value.HasMember("ownedPageCount") &&
                 inventory.value["ownedPageCount"].IsUint(),
             inventory.Summary() + " " + inventory.ValueJson());
  book.owned = inventory.value["ownedPageCount"].GetUint();
  book.pages = std::move(pages.value);
  return book;
}

void PluginChecks::CheckOperation(const StepOutcome& outcome, const Book& book) const {
  if (outcome.call == nullptr || !outcome.call->ok() || outcome.interleaved) return;
  const host::CallResult& call = *outcome.call;
  if (outcome.function == "PostTavPerksV1Pages") {
    FUZZ_CHECK(call.value.IsObject() && IsInt(call.value, "id"), "created: " + call.ValueJson());
    const int32_t id = call.value["id"].GetInt();
    const size_t limit = std::max(owned_, book.owned) + styles_bound_;
    FUZZ_CHECK(page_ids_.size() < limit,
               "created a page beyond the limit of " + std::to_string(limit) + " with " +
                   std::to_string(page_ids_.size()) + " pages");
    FUZZ_CHECK(id != 0 && !Contains(page_ids_, id) && Contains(book.ids, id) &&
                   book.ids.size() == page_ids_.size() + 1,
               "created page " + std::to_string(id) + " is not the one new page in " +
                   Text(book.pages));
  } else if (outcome.function == "DeleteTavPerksV1PagesById") {
    for (int32_t id : page_ids_) {
      if (!Contains(book.ids, id)) return;
    }
    FUZZ_CHECK(book.ids.size() < page_ids_.size(), "a delete succeeded and removed nothing");
  } else if (outcome.function == "DeleteTavPerksV1Pages") {
    FUZZ_CHECK(book.editable == 0, "pages of the player left after a reset: " + Text(book.pages));
  }
}

void PluginChecks::CheckPublishedPages(const Book& book) {
  const auto& events = core_.sent_events();
  for (; events_seen_ < events.size(); ++events_seen_) {
    const rapidjson::Value& payload = events[events_seen_].payload;
    if (events[events_seen_].name != kPagesEventName || !payload.IsObject() ||
        !payload.HasMember("uri") || !payload["uri"].IsString() ||
        std::string_view(payload["uri"].GetString()) != kPagesPath || !payload.HasMember("data")) {
      continue;
    }
    const rapidjson::Value& data = payload["data"];
    FUZZ_CHECK(data.IsArray(), "published pages: " + Text(payload));
    std::vector<const rapidjson::Value*> pages;
    for (const auto& page : data.GetArray()) pages.push_back(&page);
    published_pages_ = SavedFields(pages);
  }
  if (!published_pages_) return;
  std::vector<const rapidjson::Value*> pages;
  for (const auto& page : book.pages.GetArray()) pages.push_back(&page);
  const std::string held = SavedFields(pages);
  FUZZ_CHECK(*published_pages_ == held,
             "the pages last published are not the book:\npublished:\n" + *published_pages_ +
                 "held:\n" + held);
}

void PluginChecks::CheckStoredDocument(const StepOutcome& outcome, const Book& book) const {
  if (!stored_by_plugin_) return;
  const rapidjson::Value* stored = core_.resources().Get(kStoredDocumentPath);
  FUZZ_CHECK(stored != nullptr, "the stored document the plugin wrote is gone");
  FUZZ_CHECK(IsStoredDocument(*stored), "stored document of an odd form: " + Text(*stored));

  if (outcome.call == nullptr || !outcome.call->ok() || outcome.interleaved ||
      outcome.settings_writes == 0) {
    return;
  }
  if (std::find(std::begin(kSavingFunctions), std::end(kSavingFunctions), outcome.function) ==
      std::end(kSavingFunctions)) {
    return;
  }
  const rapidjson::Value& books = (*stored)["data"]["perShardPerkBooks"];
  const auto shard_book = books.FindMember(shard_.c_str());
  FUZZ_CHECK(shard_book != books.MemberEnd(), "no stored book for shard \"" + shard_ + "\"");
  std::vector<const rapidjson::Value*> stored_pages;
  for (const auto& page : shard_book->value["pages"].GetArray()) stored_pages.push_back(&page);
  std::vector<const rapidjson::Value*> editable_pages;
  for (const auto& page : book.pages.GetArray()) {
    if (page["isEditable"].GetBool()) editable_pages.push_back(&page);
  }
  const std::string saved = SavedFields(stored_pages);
  const std::string held = SavedFields(editable_pages);
  FUZZ_CHECK(saved == held, "stored pages differ from the book after " + outcome.function +
                                ":\nstored:\n" + saved + "held:\n" + held);
}

}  // namespace tav::fuzzing
