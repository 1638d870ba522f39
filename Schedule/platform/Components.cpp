#include "platform/Components.h"

#include <set>

#include "platform/Err.h"

namespace platform {

namespace {
std::set<std::string>& MissingComponents() {
  static std::set<std::string> missing;
  return missing;
}
}  // namespace

bool ComponentInstalled(const std::string& className) { return MissingComponents().count(className) == 0; }

void SetComponentInstalled(const std::string& className, bool installed) {
  if (installed)
    MissingComponents().erase(className);
  else
    MissingComponents().insert(className);
}

void RaiseCannotCreate(const std::string& className) {
  Raise(errCannotCreateObject, DefaultDescription(errCannotCreateObject) + ": " + className);
}

namespace {
constexpr const char* kVersionText = "QUORVA IIS configuration reader 1.0 for IIS 6.0 and later";
}

void ServerInfoComponent::SetLogPath(const std::string& statusLogPath) { logPath_ = statusLogPath; }

std::string ServerInfoComponent::GetVersion() const { return kVersionText; }

long ServerInfoComponent::GetVersionCode(const std::string& versionText) const {
  return versionText == kVersionText ? kServerVersionIIS6AndLater : 0;
}

void ServerInfoComponent::ListWebSites(const std::string&, const std::string&, long) {
  Raise(errAutomation, "Listing web sites is not available yet");
}

void SitePropertiesCollector::Collect(const std::string&, const std::string&, const std::string&, ProgressBar&,
                                      StatusPanel&, Grid&, StatusPanel&, long, const std::string&, long, long) {
  Raise(errAutomation, "The site properties collector is not available yet");
}

void SiteServicesCollector::Collect(const std::string&, const std::string&, const std::string&, ProgressBar&,
                                    StatusPanel&, Grid&, StatusPanel&, long, const std::string&) {
  Raise(errAutomation, "The site services collector is not available yet");
}

void HomeDirectoryCollector::Collect(const std::string&, const std::string&, const std::string&, long,
                                     ProgressBar&, StatusPanel&, Grid&, StatusPanel&, long, const std::string&,
                                     long, long) {
  Raise(errAutomation, "The home directory collector is not available yet");
}

void VirtualDirectoryCollector::Collect(const std::string&, const std::string&, const std::string&, ProgressBar&,
                                        StatusPanel&, StatusPanel&) {
  Raise(errAutomation, "The virtual directory collector is not available yet");
}

}  // namespace platform
