// A server's configuration snapshot (SNAPSHOT_FILE names its format): read, then every category
// of every site it lists and of every directory it names, as the collectors ask for them.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "database/Catalogue.h"
#include "iis/IisSettings.h"
#include "platform/Err.h"
#include "platform/Text.h"

namespace {

// The directories below a site's root that the snapshot names, as path parts.
std::vector<std::vector<std::string>> Directories(const iis::Snapshot& snapshot, const iis::Site& site) {
  std::vector<std::string> paths;
  pugi::xml_node root = snapshot.Document().document_element();
  if (snapshot.Kind() == iis::Format::ApplicationHost) {
    for (pugi::xml_node app : snapshot.SiteElement(site.id).children("application"))
      for (pugi::xml_node dir : app.children("virtualDirectory"))
        paths.push_back(std::string(app.attribute("path").value()) + "/" + dir.attribute("path").value());
  } else {
    const std::string prefix = "/LM/W3SVC/" + site.id + "/ROOT/";
    for (pugi::xml_node key : root.child("MBProperty").children()) {
      std::string location = key.attribute("Location").value();
      if (location.size() > prefix.size() && platform::UCase(location.substr(0, prefix.size())) == platform::UCase(prefix))
        paths.push_back(location.substr(prefix.size()));
    }
  }
  std::vector<std::vector<std::string>> result{{}};
  for (const std::string& path : paths) {
    std::vector<std::string> parts;
    for (const std::string& part : platform::Split(path, "/"))
      if (!part.empty()) parts.push_back(part);
    result.push_back(parts);
  }
  return result;
}

template <class F>
void Try(F&& call) {
  try {
    call();
  } catch (const platform::RuntimeError&) {
    // A snapshot the readers refuse is reported by the run; only a crash is a finding here.
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzzsupport::UseScratchAppFolder();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzsupport::WriteInput(std::string("Servers/FUZZ/") + SNAPSHOT_FILE, data, size);
  std::shared_ptr<const iis::Snapshot> snapshot;
  Try([&] { snapshot = iis::LoadSnapshot("FUZZ"); });
  if (!snapshot) return 0;
  using catalogue::Family;
  for (const iis::Site& site : snapshot->Sites()) {
    for (short i = 0; i <= catalogue::LastIndex(Family::WebSite); ++i)
      for (long version : {1001L, 0L})
        Try([&] { iis::SiteCategoryRows(*snapshot, site, catalogue::CategoryKey(Family::WebSite, i), version); });
    for (short sub = 1; sub <= 5; ++sub)
      Try([&] { iis::SiteCategoryRows(*snapshot, site, catalogue::ApplicationKey(sub), 1001); });
    for (const auto& directories : Directories(*snapshot, site))
      for (short i = 0; i <= catalogue::LastIndex(Family::Directory); ++i)
        Try([&] {
          iis::DirectoryCategoryRows(*snapshot, site.id, directories, catalogue::CategoryKey(Family::Directory, i));
        });
  }
  return 0;
}
