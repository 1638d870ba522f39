#include "SnapshotDiff.h"

#include <algorithm>
#include <unordered_map>

#include "database/Catalogue.h"
#include "iis/IisSettings.h"
#include "platform/Text.h"

namespace nightly {

namespace {

using catalogue::Family;
using iis::Row;
using platform::Split;

// The version code QUORVASchedule's reading of IIS 6 and later gives, which picks the newer label
// lists: the comparison shows what a report of the same snapshot shows.
constexpr long kServerVersion = 1001;

// One category as the reports show it: its caption, its columns, and where they start in its
// key's rows (the application tabs are slices of one row).
struct View {
  std::string caption, key;
  std::vector<std::string> labels;
  size_t offset = 0;
};

std::vector<View> Views(Family family) {
  std::vector<View> views;
  auto add = [&](const std::string& caption, const std::string& key, const std::string& labels,
                 const std::string& rowLabels) {
    View view{caption, key, Split(labels, ","), 0};
    const std::vector<std::string> row = Split(rowLabels, ",");
    view.offset = static_cast<size_t>(std::find(row.begin(), row.end(), view.labels.front()) - row.begin());
    views.push_back(std::move(view));
  };
  const std::vector<std::string> captions = Split(catalogue::TabCaptions(family), ",");
  for (short index = 1; index <= static_cast<short>(captions.size()); ++index) {
    const std::string& caption = captions[index - 1];
    const std::string key = catalogue::CategoryKey(family, index);
    if (family == Family::Directory) {
      add(caption, key, catalogue::DirectoryLabels(index),
          catalogue::DirectoryLabels(catalogue::IsSharedTable(family, index) ? 0 : index));
    } else if (index == 5) {
      const std::vector<std::string> tabs = Split(catalogue::ApplicationCaptions(), ",");
      for (short sub = 1; sub <= static_cast<short>(tabs.size()); ++sub)
        add(tabs[sub - 1], catalogue::ApplicationKey(sub), catalogue::ApplicationLabels(sub),
            sub == 2 ? catalogue::ApplicationLabels(sub) : catalogue::WebSiteLabels(index, kServerVersion));
    } else {
      add(caption, key, catalogue::WebSiteLabels(index, kServerVersion), catalogue::WebSiteLabels(index, kServerVersion));
    }
  }
  return views;
}

// The rows of every category key of the views for one site or directory of one snapshot. All of
// one item are read before the other snapshot is: the readers keep one snapshot's settings.
using KeyRows = std::unordered_map<std::string, std::vector<Row>>;

template <class Read>
KeyRows RowsOf(const std::vector<View>& views, Read read) {
  KeyRows rows;
  for (const View& view : views)
    if (!rows.count(view.key)) rows.emplace(view.key, read(view.key));
  return rows;
}

std::string Cell(const Row& row, size_t column) { return column < row.size() ? row[column] : ""; }
std::string FirstRowCell(const std::vector<Row>& rows, size_t column) { return rows.empty() ? "" : Cell(rows[0], column); }

void CompareCategory(const View& view, const std::vector<Row>& before, const std::vector<Row>& after,
                     const std::string& item, std::vector<Change>& out) {
  auto label = [&](size_t column) { return platform::Trim(view.labels[column]); };
  if (!iis::IsListCategory(view.key)) {
    for (size_t c = 0; c < view.labels.size(); ++c) {
      std::string was = FirstRowCell(before, view.offset + c), is = FirstRowCell(after, view.offset + c);
      if (was != is) out.push_back({item, view.caption, label(c), was, is});
    }
    return;
  }
  const std::vector<size_t> settings = iis::SettingColumns(view.key);
  if (!before.empty() && !after.empty())
    for (size_t c : settings)
      if (FirstRowCell(before, c) != FirstRowCell(after, c))
        out.push_back({item, view.caption, label(c), FirstRowCell(before, c), FirstRowCell(after, c)});

  std::vector<size_t> entry;
  for (size_t c = 0; c < view.labels.size(); ++c)
    if (std::find(settings.begin(), settings.end(), c) == settings.end()) entry.push_back(c);
  auto key = [&](const Row& row) {
    std::string text;
    for (size_t c : entry) text += Cell(row, c) + '\x1f';
    return text;
  };
  // An entry shows the labels and values of its non-empty columns; one with none is no entry.
  std::string labels, values;
  auto describe = [&](const Row& row) {
    labels.clear();
    values.clear();
    for (size_t c : entry) {
      if (Cell(row, c).empty()) continue;
      labels += (labels.empty() ? "" : " / ") + label(c);
      values += (values.empty() ? "" : " / ") + row[c];
    }
    return !values.empty();
  };
  // How many more times each entry is in before than in after.
  std::unordered_map<std::string, long> surplus;
  for (const Row& row : before) ++surplus[key(row)];
  for (const Row& row : after) --surplus[key(row)];
  for (const Row& row : before) {
    long& n = surplus[key(row)];
    if (n > 0 && describe(row)) {
      --n;
      out.push_back({item, view.caption, labels, values, ""});
    }
  }
  for (const Row& row : after) {
    long& n = surplus[key(row)];
    if (n < 0 && describe(row)) {
      ++n;
      out.push_back({item, view.caption, labels, "", values});
    }
  }
}

void CompareItem(const std::vector<View>& views, const KeyRows& before, const KeyRows& after, const std::string& item,
                 std::vector<Change>& out) {
  for (const View& view : views) CompareCategory(view, before.at(view.key), after.at(view.key), item, out);
}

std::unordered_map<std::string, const iis::Site*> SitesByName(const iis::Snapshot& snapshot) {
  std::unordered_map<std::string, const iis::Site*> sites;
  for (const iis::Site& site : snapshot.Sites()) sites.emplace(site.name, &site);  // the first of a name
  return sites;
}

}  // namespace

SnapshotChanges CompareSnapshots(const iis::Snapshot& before, const iis::Snapshot& after) {
  static const std::vector<View> siteViews = Views(Family::WebSite), directoryViews = Views(Family::Directory);
  static const std::string siteName = catalogue::WebSiteLabels(catalogue::LastIndex(Family::WebSite), kServerVersion);
  static const std::vector<std::vector<std::string>> none;
  SnapshotChanges result;
  std::vector<Change>& out = result.changes;
  const auto beforeSites = SitesByName(before), afterSites = SitesByName(after);
  const auto beforeDirectories = iis::SiteDirectories(before), afterDirectories = iis::SiteDirectories(after);
  auto directoriesOf = [](const auto& all, const std::string& siteId) -> const std::vector<std::vector<std::string>>& {
    auto found = all.find(siteId);
    return found == all.end() ? none : found->second;
  };

  for (const iis::Site& site : after.Sites()) {
    if (afterSites.at(site.name) != &site) continue;
    auto old = beforeSites.find(site.name);
    if (old == beforeSites.end()) {
      out.push_back({site.name, "Web site", siteName, "", site.name});
      continue;
    }
    const iis::Site& was = *old->second;
    const size_t first = out.size();
    KeyRows rowsBefore = RowsOf(siteViews, [&](const std::string& key) {
      return iis::SiteCategoryRows(before, was, key, kServerVersion);
    });
    KeyRows rowsAfter = RowsOf(siteViews, [&](const std::string& key) {
      return iis::SiteCategoryRows(after, site, key, kServerVersion);
    });
    CompareItem(siteViews, rowsBefore, rowsAfter, site.name, out);
    if (out.size() > first) result.changedSites.push_back(site.name);

    std::unordered_map<std::string, const std::vector<std::string>*> gone;  // by path, until found again
    for (const auto& directory : directoriesOf(beforeDirectories, was.id))
      gone.emplace(platform::Join(directory, "\\"), &directory);
    for (const auto& directory : directoriesOf(afterDirectories, site.id)) {
      const std::string item = site.name + "\\" + platform::Join(directory, "\\");
      auto found = gone.find(platform::Join(directory, "\\"));
      if (found == gone.end()) {
        out.push_back({item, "Virtual directory", "Directory Name", "", item});
        continue;
      }
      rowsBefore = RowsOf(directoryViews, [&](const std::string& key) {
        return iis::DirectoryCategoryRows(before, was.id, *found->second, key);
      });
      rowsAfter = RowsOf(directoryViews, [&](const std::string& key) {
        return iis::DirectoryCategoryRows(after, site.id, directory, key);
      });
      CompareItem(directoryViews, rowsBefore, rowsAfter, item, out);
      gone.erase(found);
    }
    for (const auto& directory : directoriesOf(beforeDirectories, was.id)) {
      const std::string path = platform::Join(directory, "\\");
      if (gone.count(path)) out.push_back({site.name + "\\" + path, "Virtual directory", "Directory Name", site.name + "\\" + path, ""});
    }
  }
  for (const iis::Site& site : before.Sites())
    if (!afterSites.count(site.name) && beforeSites.at(site.name) == &site)
      out.push_back({site.name, "Web site", siteName, site.name, ""});
  return result;
}

}  // namespace nightly
