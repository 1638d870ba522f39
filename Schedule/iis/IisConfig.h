// A server's IIS configuration snapshot, read once and kept while the file is unchanged.
//
// Servers\<server>\applicationHost.config (IIS 7 and later, IIS Express) or
// Servers\<server>\MetaBase.xml (IIS 6), in the application folder. The collectors of every
// category and every site of a server share one parsed snapshot; the file is parsed again only
// when its modification time changes.
#pragma once

#include <list>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include <pugixml.hpp>

namespace iis {

enum class Format { ApplicationHost, Metabase };
// The format a snapshot file's name says: MetaBase.xml (in any case), else applicationHost.config.
Format FormatOfFile(const std::string& fileName);

// One web site of a server: its instance number and its name.
struct Site {
  std::string id;
  std::string name;
};

// An attribute set as configuration holds it, names compared without regard to case.
struct NoCaseLess {
  bool operator()(const std::string& a, const std::string& b) const;
};
using Attributes = std::map<std::string, std::string, NoCaseLess>;

// The effective content of one configuration element after every level that sets it has been
// applied: its attributes, its child elements, and its collection entries (add/remove/clear).
// However deep a file nests its elements, nothing here recurses: applying and tearing down walk
// the tree with a stack of their own, and a node is moved, never copied.
struct ConfigNode {
  Attributes attributes;
  std::map<std::string, ConfigNode, NoCaseLess> children;
  // In configuration order. Entries are changed by Apply alone, which finds the entry an add
  // replaces or a remove drops by its key, never by a walk over the list.
  std::list<Attributes> entries;

  ConfigNode();
  ConfigNode(ConfigNode&&) noexcept;
  ConfigNode& operator=(ConfigNode&&) noexcept;
  ~ConfigNode();

  // The attribute's value, or fallback when no level sets it.
  std::string Get(const std::string& name, const std::string& fallback = "") const;
  bool Has(const std::string& name) const { return attributes.count(name) != 0; }
  // The child element; an empty node when no level sets it.
  const ConfigNode& Child(const std::string& name) const;
  // Applies one level's element on top of what is there.
  void Apply(const pugi::xml_node& element);

 private:
  struct EntryIndex;
  void Add(Attributes entry);
  void Remove(const Attributes& remove);
  void Clear();
  std::unique_ptr<EntryIndex> index_;
};

class Snapshot {
 public:
  Snapshot(std::string server, std::string path, Format format);
  Snapshot(const Snapshot&) = delete;
  Snapshot& operator=(const Snapshot&) = delete;

  const std::string& Server() const { return server_; }
  const std::string& Path() const { return path_; }
  Format Kind() const { return format_; }
  // Tells one parse from another, also when a reparsed snapshot reuses an address.
  long Serial() const { return serial_; }
  const pugi::xml_document& Document() const { return document_; }
  pugi::xml_document& Document() { return document_; }

  // The server's web sites in the order the configuration lists them.
  const std::vector<Site>& Sites() const { return sites_; }
  // The site with this instance number (text), or nullptr.
  const Site* SiteById(const std::string& id) const;

  // applicationHost.config: the effective section ("system.webServer/asp") for a configuration
  // path ("" for the server, "Site", "Site/app/dir"): server level, then every <location> whose
  // path is the server, the site or a parent of the path, outermost first.
  ConfigNode Section(const std::string& sectionPath, const std::string& configPath) const;
  // applicationHost.config: the <site> element of a site.
  pugi::xml_node SiteElement(const std::string& id) const;
  // applicationHost.config: <sites>, and its <siteDefaults> and <virtualDirectoryDefaults>; empty
  // nodes when the file has none.
  pugi::xml_node SitesElement() const { return sitesElement_; }
  pugi::xml_node SiteDefaults() const { return siteDefaults_; }
  pugi::xml_node VirtualDirectoryDefaults() const { return virtualDirectoryDefaults_; }

  // MetaBase.xml: the key at a metabase location ("/LM/W3SVC/1/ROOT"), or an empty node.
  pugi::xml_node Key(const std::string& location) const;

  // Called once after parsing: indexes sites, locations and metabase keys.
  void Index();

 private:
  std::string server_;
  std::string path_;
  Format format_;
  long serial_;
  pugi::xml_document document_;
  std::vector<Site> sites_;
  // Everything a site's reading looks up is found by key, so reading every site of a server of
  // tens of thousands of sites stays linear in its size.
  std::unordered_map<std::string, size_t> siteById_;                    // the first site of an id
  std::map<std::string, pugi::xml_node> siteElements_;                   // by id
  pugi::xml_node sitesElement_, siteDefaults_, virtualDirectoryDefaults_;
  // <location> elements by lower-case path, in document order.
  std::unordered_map<std::string, std::vector<pugi::xml_node>> locations_;
  // Server-level section elements by section path, found on first use.
  mutable std::unordered_map<std::string, pugi::xml_node> serverSections_;
  std::map<std::string, pugi::xml_node> keys_;                           // lower-case location
};

// The snapshot of a server; parsed on first use and whenever the file has changed since.
// Raises a run-time error naming the server and the file when there is no snapshot, when the
// file is not well-formed XML, or when its root is not what its format has; never null. Such a
// problem is raised again at every call for that server (each call that needs the snapshot
// fails), but the unchanged file is not read again.
std::shared_ptr<const Snapshot> LoadSnapshot(const std::string& server);

// Why these bytes are not a snapshot of the format, by the rule LoadSnapshot reads files with:
// "" when they are one, else what is wrong ("is not well-formed XML: ... at offset N", "has the
// root <x>, not <configuration>", ...), to follow the file's name in a message.
std::string SnapshotProblem(const std::string& bytes, Format format);

// The metabase location of a directory path "IIS://server/W3SVC/1/ROOT/dir": its parts.
struct DirectoryPath {
  std::string server;
  std::string siteId;
  std::vector<std::string> directories;  // the parts after ROOT
};
// Splits a directory path; raises error 5 when it does not have the form above.
DirectoryPath ParseDirectoryPath(const std::string& path);

// A snapshot file anywhere (a kept copy of a server's snapshot), read afresh: its format from its
// name (MetaBase.xml or else applicationHost.config). Raises as LoadSnapshot does.
std::shared_ptr<const Snapshot> LoadSnapshotFile(const std::string& server, const std::string& path);

// The directories below each site's root that the snapshot configures, by site id: applications
// and virtual directories, and the folders a <location> or an IIsWebDirectory key sets, each once
// (letter case aside) as its path parts, in the order the file gives them. One pass over the file.
std::unordered_map<std::string, std::vector<std::vector<std::string>>> SiteDirectories(const Snapshot& snapshot);

// Time spent parsing snapshots since the program started, in seconds, and how many files were
// read (the ones that failed included).
double ParseSeconds();
long ParseCount();

}  // namespace iis
