#include "iis/IisConfig.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <deque>
#include <iterator>
#include <strings.h>
#include <unordered_set>

#include "platform/Err.h"
#include "platform/Files.h"
#include "platform/Text.h"

namespace iis {

using namespace platform;

bool NoCaseLess::operator()(const std::string& a, const std::string& b) const {
  return ::strcasecmp(a.c_str(), b.c_str()) < 0;
}

namespace {

bool SameText(const std::string& a, const std::string& b) { return ::strcasecmp(a.c_str(), b.c_str()) == 0; }

// Collection entries are add/remove/clear, except the few collections whose entries carry a
// name of their own.
bool IsEntryElement(const char* name) {
  return std::strcmp(name, "add") == 0 || std::strcmp(name, "error") == 0 || std::strcmp(name, "filter") == 0;
}

// The attributes that identify a collection entry, so a later add replaces an earlier one.
constexpr const char* kKeyAttributes[] = {"name", "value", "statusCode", "subStatusCode",
                                          "ipAddress", "subnetMask", "domainName"};

std::string KeyValue(const Attributes& entry, const char* key) {
  auto it = entry.find(key);
  if (it != entry.end()) return it->second;
  return std::strcmp(key, "subStatusCode") == 0 ? "-1" : "";
}

constexpr size_t kKeyCount = std::size(kKeyAttributes);

// An entry's key values as they are compared, without regard to case; empty when the entry
// carries no key attribute (such an entry is never replaced).
std::string KeyOf(const Attributes& entry) {
  std::string key;
  bool keyed = false;
  for (const char* name : kKeyAttributes) {
    keyed = keyed || entry.count(name) != 0;
    key += LCase(KeyValue(entry, name));
    key += '\0';
  }
  return keyed ? key : std::string();
}

// A remove matches every entry that has all the attributes it names.
bool Removes(const Attributes& remove, const Attributes& entry) {
  for (const auto& [name, value] : remove) {
    if (!SameText(KeyValue(entry, name.c_str()), value)) return false;
  }
  return !remove.empty();
}

Attributes AttributesOf(const pugi::xml_node& element) {
  Attributes result;
  for (const pugi::xml_attribute& a : element.attributes()) result[a.name()] = a.value();
  return result;
}

// A <location> path as written, without the slashes around it; "" for the server.
std::string LocationPath(std::string path) {
  path = Trim(Replace(path, "\\", "/"));
  while (!path.empty() && path.front() == '/') path.erase(path.begin());
  while (!path.empty() && path.back() == '/') path.pop_back();
  if (path == ".") path.clear();
  return path;
}

std::string NormalLocation(const std::string& path) { return LCase(LocationPath(path)); }

pugi::xml_node Descend(pugi::xml_node node, const std::string& sectionPath) {
  for (const std::string& part : Split(sectionPath, "/")) {
    if (!node) break;
    node = node.child(part.c_str());
  }
  return node;
}

double parseSeconds = 0;
long parseCount = 0;

// Metabase lists are lines: attribute values keep their line breaks.
constexpr unsigned kParseOptions = pugi::parse_default & ~pugi::parse_wconv_attribute;

// What makes a parsed file no snapshot of its format; "" when it is one.
std::string Refusal(const pugi::xml_parse_result& parsed, const pugi::xml_document& document, Format format) {
  if (parsed.status == pugi::status_no_document_element) return "holds no XML element (it is empty, or cut off before its first)";
  if (!parsed)
    return std::string("is not well-formed XML: ") + parsed.description() + " at offset " + std::to_string(parsed.offset);
  pugi::xml_node root = document.document_element();
  if (std::strcmp(root.name(), "configuration") != 0)
    return std::string("has the root <") + root.name() + ">, not <configuration>";
  if (format == Format::Metabase && !root.child("MBProperty"))
    return "is not a metabase: <configuration> holds no <MBProperty>";
  return {};
}

// Reads the file into a new snapshot and indexes it; what makes it no snapshot goes to *refusal.
std::shared_ptr<Snapshot> ReadSnapshot(const std::string& server, const std::string& path, const std::string& native,
                                       Format format, std::string* refusal) {
  auto snapshot = std::make_shared<Snapshot>(server, path, format);
  *refusal = Refusal(snapshot->Document().load_file(native.c_str(), kParseOptions), snapshot->Document(), format);
  if (refusal->empty()) snapshot->Index();
  return snapshot;
}

}  // namespace

Format FormatOfFile(const std::string& fileName) {
  const std::string name = fileName.substr(fileName.find_last_of("/\\") + 1);
  return SameText(name, "MetaBase.xml") ? Format::Metabase : Format::ApplicationHost;
}

// Where Apply finds entries: a later add replaces the entry with its key values, and a remove
// looks only at the entries that share the value of one of the key attributes it names. Removed
// entries are left in the buckets of values and dropped when a later remove walks past them.
struct ConfigNode::EntryIndex {
  struct Slot {
    std::list<Attributes>::iterator at;
    bool live = true;
  };
  std::deque<Slot> slots;  // in configuration order; a slot's address never changes
  std::unordered_map<std::string, Slot*> byKey;
  std::unordered_map<std::string, std::vector<Slot*>> byValue[kKeyCount];
};

ConfigNode::ConfigNode() = default;
ConfigNode::ConfigNode(ConfigNode&&) noexcept = default;
ConfigNode& ConfigNode::operator=(ConfigNode&&) noexcept = default;

void ConfigNode::Add(Attributes entry) {
  if (!index_) index_ = std::make_unique<EntryIndex>();
  std::string key = KeyOf(entry);
  if (!key.empty()) {
    auto same = index_->byKey.find(key);
    if (same != index_->byKey.end()) {
      *same->second->at = std::move(entry);
      return;
    }
  }
  std::string values[kKeyCount];
  for (size_t i = 0; i < kKeyCount; ++i) values[i] = LCase(KeyValue(entry, kKeyAttributes[i]));
  entries.push_back(std::move(entry));
  EntryIndex::Slot& slot = index_->slots.emplace_back(EntryIndex::Slot{std::prev(entries.end())});
  for (size_t i = 0; i < kKeyCount; ++i) index_->byValue[i][std::move(values[i])].push_back(&slot);
  if (!key.empty()) index_->byKey.emplace(std::move(key), &slot);
}

void ConfigNode::Remove(const Attributes& remove) {
  if (!index_ || remove.empty()) return;
  auto drop = [&](EntryIndex::Slot& slot) {
    std::string key = KeyOf(*slot.at);
    if (!key.empty()) index_->byKey.erase(key);
    entries.erase(slot.at);
    slot.live = false;
  };
  std::vector<EntryIndex::Slot*>* bucket = nullptr;
  for (size_t i = 0; i < kKeyCount; ++i) {
    auto named = remove.find(kKeyAttributes[i]);
    if (named == remove.end()) continue;
    auto found = index_->byValue[i].find(LCase(named->second));
    if (found == index_->byValue[i].end()) return;  // no entry has that value
    if (!bucket || found->second.size() < bucket->size()) bucket = &found->second;
  }
  if (!bucket) {
    // Names no key attribute: every entry is a candidate.
    for (EntryIndex::Slot& slot : index_->slots)
      if (slot.live && Removes(remove, *slot.at)) drop(slot);
    return;
  }
  size_t kept = 0;
  for (EntryIndex::Slot* slot : *bucket) {
    if (!slot->live) continue;
    if (Removes(remove, *slot->at)) {
      drop(*slot);
      continue;
    }
    (*bucket)[kept++] = slot;
  }
  bucket->resize(kept);
}

void ConfigNode::Clear() {
  entries.clear();
  index_.reset();
}

std::string ConfigNode::Get(const std::string& name, const std::string& fallback) const {
  auto it = attributes.find(name);
  return it == attributes.end() ? fallback : it->second;
}

const ConfigNode& ConfigNode::Child(const std::string& name) const {
  static const ConfigNode empty;
  auto it = children.find(name);
  return it == children.end() ? empty : it->second;
}

ConfigNode::~ConfigNode() {
  // One level after the other: each child is destroyed with its own children taken away first.
  std::vector<std::map<std::string, ConfigNode, NoCaseLess>> pending(1);
  pending.back().swap(children);
  while (!pending.empty()) {
    std::map<std::string, ConfigNode, NoCaseLess> level;
    level.swap(pending.back());
    pending.pop_back();
    for (auto& entry : level) {
      if (entry.second.children.empty()) continue;
      pending.emplace_back();
      pending.back().swap(entry.second.children);
    }
  }
}

void ConfigNode::Apply(const pugi::xml_node& element) {
  // Elements in document order, depth first, from a stack of our own; a later element of the same
  // name applies on top of an earlier one.
  std::vector<std::pair<ConfigNode*, pugi::xml_node>> pending{{this, element}};
  std::vector<std::pair<ConfigNode*, pugi::xml_node>> nested;
  while (!pending.empty()) {
    auto [node, from] = pending.back();
    pending.pop_back();
    for (const pugi::xml_attribute& a : from.attributes()) node->attributes[a.name()] = a.value();
    nested.clear();
    for (const pugi::xml_node& child : from.children()) {
      if (child.type() != pugi::node_element) continue;
      const char* name = child.name();
      if (std::strcmp(name, "clear") == 0) {
        node->Clear();
      } else if (std::strcmp(name, "remove") == 0) {
        node->Remove(AttributesOf(child));
      } else if (IsEntryElement(name)) {
        node->Add(AttributesOf(child));
      } else {
        nested.emplace_back(&node->children[name], child);
      }
    }
    pending.insert(pending.end(), nested.rbegin(), nested.rend());
  }
}

Snapshot::Snapshot(std::string server, std::string path, Format format)
    : server_(std::move(server)), path_(std::move(path)), format_(format) {
  static long serials = 0;
  serial_ = ++serials;
}

void Snapshot::Index() {
  pugi::xml_node root = document_.document_element();
  auto addSite = [&](const std::string& id, const std::string& name) {
    siteById_.emplace(id, sites_.size());
    sites_.push_back({id, name});
  };
  if (format_ == Format::ApplicationHost) {
    sitesElement_ = root.child("system.applicationHost").child("sites");
    for (pugi::xml_node child : sitesElement_.children()) {
      if (std::strcmp(child.name(), "site") == 0) {
        std::string id = child.attribute("id").value();
        addSite(id, child.attribute("name").value());
        siteElements_[id] = child;
      } else if (!siteDefaults_ && std::strcmp(child.name(), "siteDefaults") == 0) {
        siteDefaults_ = child;
      } else if (!virtualDirectoryDefaults_ && std::strcmp(child.name(), "virtualDirectoryDefaults") == 0) {
        virtualDirectoryDefaults_ = child;
      }
    }
    for (pugi::xml_node location : root.children("location"))
      locations_[NormalLocation(location.attribute("path").value())].push_back(location);
    return;
  }
  for (pugi::xml_node key : root.child("MBProperty").children()) {
    if (key.type() != pugi::node_element) continue;
    std::string location = key.attribute("Location").value();
    keys_[LCase(location)] = key;
    if (std::strcmp(key.name(), "IIsWebServer") != 0) continue;
    std::vector<std::string> parts = Split(location, "/");
    // /LM/W3SVC/<n>
    if (parts.size() == 4 && SameText(parts[2], "W3SVC")) addSite(parts[3], key.attribute("ServerComment").value());
  }
}

const Site* Snapshot::SiteById(const std::string& id) const {
  auto it = siteById_.find(id);
  return it == siteById_.end() ? nullptr : &sites_[it->second];
}

pugi::xml_node Snapshot::SiteElement(const std::string& id) const {
  auto it = siteElements_.find(id);
  return it == siteElements_.end() ? pugi::xml_node() : it->second;
}

ConfigNode Snapshot::Section(const std::string& sectionPath, const std::string& configPath) const {
  ConfigNode result;
  auto server = serverSections_.find(sectionPath);
  if (server == serverSections_.end())
    server = serverSections_.emplace(sectionPath, Descend(document_.document_element(), sectionPath)).first;
  if (server->second) result.Apply(server->second);
  // The locations that apply are those of the server and of the path and each of its parents,
  // outermost first; locations of one path in document order.
  auto apply = [&](const std::string& location) {
    auto found = locations_.find(location);
    if (found == locations_.end()) return;
    for (const pugi::xml_node& element : found->second)
      if (pugi::xml_node section = Descend(element, sectionPath)) result.Apply(section);
  };
  apply("");
  const std::string path = NormalLocation(configPath);
  if (path.empty()) return result;
  for (size_t slash = path.find('/'); slash != std::string::npos; slash = path.find('/', slash + 1))
    apply(path.substr(0, slash));
  apply(path);
  return result;
}

pugi::xml_node Snapshot::Key(const std::string& location) const {
  auto it = keys_.find(LCase(location));
  return it == keys_.end() ? pugi::xml_node() : it->second;
}

namespace {

// What reading one file gave: the snapshot, or the error it raised. A file is read again only
// when it changed.
struct Cached {
  long long stamp = -1;
  long long size = -1;
  std::shared_ptr<Snapshot> snapshot;
  long failureNumber = 0;
  std::string failure;
};

std::map<std::string, Cached>& SnapshotCache() {
  static std::map<std::string, Cached> cache;
  return cache;
}

// Raises a snapshot's failure, now and at every later call while the file stays as it is.
[[noreturn]] void Fail(Cached& cached, long number, std::string description) {
  cached.snapshot.reset();
  cached.failureNumber = number;
  cached.failure = std::move(description);
  Raise(cached.failureNumber, cached.failure);
}

}  // namespace

std::shared_ptr<const Snapshot> LoadSnapshot(const std::string& server) {
  const std::string folder = AppFolder() + "\\Servers\\" + server + "\\";
  std::string path = folder + "applicationHost.config";
  Format format = Format::ApplicationHost;
  FileInfo file = server.empty() ? FileInfo{} : FindFile(path);
  if (!file.normalFile) {
    path = folder + "MetaBase.xml";
    format = Format::Metabase;
    if (!server.empty()) file = FindFile(path);
  }
  const long long stamp = file.modified, size = file.size;
  if (server.empty() || !file.normalFile) {
    Cached& missing = SnapshotCache()[folder];
    std::string shown = FilePath(folder);
    Fail(missing, errFileNotFound,
                "No IIS configuration snapshot for server '" + server + "': neither " + shown +
                    "applicationHost.config nor " + shown + "MetaBase.xml exists");
  }
  SnapshotCache().erase(folder);  // a snapshot that was missing is there now
  Cached& cached = SnapshotCache()[path];
  if (cached.stamp == stamp && cached.size == size) {
    if (cached.snapshot) return cached.snapshot;
    Fail(cached, cached.failureNumber, cached.failure);
  }
  cached.stamp = stamp;
  cached.size = size;
  ++parseCount;

  const std::string& shown = file.path;
  auto started = std::chrono::steady_clock::now();
  std::string refusal;
  auto snapshot = ReadSnapshot(server, path, file.path, format, &refusal);
  if (!refusal.empty())
    Fail(cached, errAutomation, "The IIS configuration snapshot of server '" + server + "' (" + shown + ") " + refusal);
  parseSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  cached.snapshot = snapshot;
  return snapshot;
}

std::string SnapshotProblem(const std::string& bytes, Format format) {
  pugi::xml_document document;
  return Refusal(document.load_buffer(bytes.data(), bytes.size(), kParseOptions), document, format);
}

DirectoryPath ParseDirectoryPath(const std::string& path) {
  const std::string prefix = "IIS://";
  if (path.size() < prefix.size() || !SameText(path.substr(0, prefix.size()), prefix))
    Raise(errInvalidArgument, "'" + path + "' is not a directory path of the form IIS://server/W3SVC/n/ROOT");
  std::vector<std::string> parts = Split(path.substr(prefix.size()), "/");
  if (parts.size() < 4 || !SameText(parts[1], "W3SVC") || !SameText(parts[3], "ROOT"))
    Raise(errInvalidArgument, "'" + path + "' is not a directory path of the form IIS://server/W3SVC/n/ROOT");
  DirectoryPath result{parts[0], parts[2], {}};
  for (size_t i = 4; i < parts.size(); ++i)
    if (!parts[i].empty()) result.directories.push_back(parts[i]);
  return result;
}

std::shared_ptr<const Snapshot> LoadSnapshotFile(const std::string& server, const std::string& path) {
  FileInfo file = FindFile(path);
  if (!file.normalFile) Raise(errFileNotFound, "No IIS configuration snapshot of server '" + server + "' at " + file.path);
  std::string refusal;
  auto snapshot = ReadSnapshot(server, path, file.path, FormatOfFile(path), &refusal);
  if (!refusal.empty())
    Raise(errAutomation, "The IIS configuration snapshot of server '" + server + "' (" + file.path + ") " + refusal);
  return snapshot;
}

std::unordered_map<std::string, std::vector<std::vector<std::string>>> SiteDirectories(const Snapshot& snapshot) {
  std::unordered_map<std::string, std::vector<std::vector<std::string>>> result;
  std::unordered_set<std::string> seen;
  auto add = [&](const std::string& siteId, const std::string& path) {
    std::vector<std::string> parts;
    for (const std::string& part : Split(Replace(path, "\\", "/"), "/"))
      if (!Trim(part).empty() && part != ".") parts.push_back(part);
    if (!parts.empty() && seen.insert(siteId + "\n" + LCase(Join(parts, "/"))).second) result[siteId].push_back(parts);
  };
  pugi::xml_node root = snapshot.Document().document_element();
  if (snapshot.Kind() == Format::Metabase) {
    for (pugi::xml_node key : root.child("MBProperty").children()) {
      if (std::strcmp(key.name(), "IIsWebVirtualDir") != 0 && std::strcmp(key.name(), "IIsWebDirectory") != 0) continue;
      // /LM/W3SVC/<n>/ROOT/<directories>
      std::vector<std::string> parts = Split(key.attribute("Location").value(), "/");
      if (parts.size() < 6 || !SameText(parts[2], "W3SVC") || !SameText(parts[4], "ROOT") || !snapshot.SiteById(parts[3]))
        continue;
      add(parts[3], Join(std::vector<std::string>(parts.begin() + 5, parts.end()), "/"));
    }
    return result;
  }
  std::unordered_map<std::string, std::string> idByName;
  for (const Site& site : snapshot.Sites()) {
    idByName.emplace(LCase(site.name), site.id);
    for (pugi::xml_node application : snapshot.SiteElement(site.id).children("application")) {
      std::string path = application.attribute("path").as_string("/");
      add(site.id, path);
      for (pugi::xml_node directory : application.children("virtualDirectory"))
        add(site.id, path + "/" + directory.attribute("path").as_string("/"));
    }
  }
  for (pugi::xml_node location : root.children("location")) {
    std::string path = LocationPath(location.attribute("path").value());
    size_t slash = path.find('/');
    if (slash == std::string::npos) continue;
    auto site = idByName.find(LCase(path.substr(0, slash)));
    if (site != idByName.end()) add(site->second, path.substr(slash + 1));
  }
  return result;
}

double ParseSeconds() { return parseSeconds; }
long ParseCount() { return parseCount; }

}  // namespace iis
