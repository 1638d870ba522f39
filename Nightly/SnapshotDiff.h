// What changed between two snapshots of one server, as IIS applies them: every web site by name,
// every directory of a site by path, every category of the catalogue. A one-row category is
// compared property by property; a list category as entries removed and added, whatever their
// order (an entry twice in one and once in the other is one removed). Values are compared exactly,
// letter case counting. Linear in the size of the snapshots.
#pragma once

#include <string>
#include <vector>

#include "iis/IisConfig.h"

namespace nightly {

struct Change {
  std::string item;      // the site ("Default Web Site") or directory ("Default Web Site\images")
  std::string category;  // the catalogue's caption; "Web site" or "Virtual directory" for one added or removed
  std::string property;  // the catalogue's label; for a list entry, the labels of its values
  std::string before, after;  // "" on the side where an entry or a site is not there
};

struct SnapshotChanges {
  std::vector<Change> changes;             // each item's changes together
  std::vector<std::string> changedSites;   // sites in both whose own categories changed, newer order
};

SnapshotChanges CompareSnapshots(const iis::Snapshot& before, const iis::Snapshot& after);

}  // namespace nightly
