// A generated farm for the benchmarks: configuration snapshots of servers with numbered sites, each
// site with its directories, written in either snapshot format.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>

namespace bench {

namespace fs = std::filesystem;

// Server s and site i of the farm; every third site name holds an apostrophe.
inline std::string Server(int s) { return "SRV" + std::to_string(s); }
inline std::string SiteName(int i) { return "Site " + std::to_string(i) + (i % 3 == 0 ? " O'Neil" : ""); }

// A server's applicationHost.config (IIS 7 and later) of numbered sites, each with its applications.
inline void WriteApplicationHost(const fs::path& file, int sites, int directories) {
  std::ofstream out(file);
  out << "<?xml version=\"1.0\"?>\n<configuration>\n<system.applicationHost><sites>\n";
  for (int i = 1; i <= sites; ++i) {
    out << "<site name=\"" << SiteName(i) << "\" id=\"" << i << "\">\n<application path=\"/\">"
        << "<virtualDirectory path=\"/\" physicalPath=\"D:\\Web\\" << i << "\"/></application>\n";
    for (int d = 1; d <= directories; ++d)
      out << "<application path=\"/app" << d << "\"><virtualDirectory path=\"/\" physicalPath=\"D:\\Web\\" << i
          << "\\app" << d << "\"/></application>\n";
    out << "<bindings><binding protocol=\"http\" bindingInformation=\"*:" << 8000 + i << ":\"/>"
        << "<binding protocol=\"https\" bindingInformation=\"*:" << 9000 + i << ":\"/></bindings>\n</site>\n";
  }
  out << "</sites></system.applicationHost>\n<system.webServer>"
      << "<handlers accessPolicy=\"Read, Script\"><add name=\"ASP\" path=\"*.asp\" verb=\"GET,POST\" "
         "scriptProcessor=\"asp.dll\"/></handlers>"
      << "<defaultDocument><files><add value=\"Default.htm\"/><add value=\"index.html\"/></files></defaultDocument>"
      << "<httpErrors><error statusCode=\"404\" path=\"404.htm\"/><error statusCode=\"500\" path=\"500.htm\"/>"
         "</httpErrors>"
      << "<httpProtocol><customHeaders><add name=\"X-Powered-By\" value=\"ASP.NET\"/></customHeaders></httpProtocol>"
      << "</system.webServer>\n";
  for (int i = 1; i <= sites; ++i)
    out << "<location path=\"" << SiteName(i) << "\"><system.webServer><security><ipSecurity>"
        << "<add ipAddress=\"10.0." << i << ".0\" subnetMask=\"255.255.255.0\" allowed=\"true\"/>"
        << "<add domainName=\"bad" << i << ".example\"/></ipSecurity></security></system.webServer></location>\n";
  out << "</configuration>\n";
}

// The same farm server as an IIS 6 MetaBase.xml.
inline void WriteMetabase(const fs::path& file, int sites, int directories) {
  std::ofstream out(file);
  out << "<?xml version=\"1.0\"?>\n<configuration><MBProperty>\n"
      << "<IIsWebService Location=\"/LM/W3SVC\" AccessFlags=\"AccessRead | AccessScript\" AuthFlags=\"AuthAnonymous\" "
         "ScriptMaps=\".asp,asp.dll,5,GET,POST\n.cer,asp.dll,5,GET\" HttpCustomHeaders=\"X-Powered-By: ASP.NET\" "
         "HttpErrors=\"404,*,FILE,404.htm\n500,*,FILE,500.htm\"/>\n";
  for (int i = 1; i <= sites; ++i) {
    out << "<IIsWebServer Location=\"/LM/W3SVC/" << i << "\" ServerComment=\"" << SiteName(i)
        << "\" ServerBindings=\":" << 8000 + i << ":\" SecureBindings=\":" << 9000 + i << ":\"/>\n"
        << "<IIsWebVirtualDir Location=\"/LM/W3SVC/" << i << "/ROOT\" Path=\"D:\\Web\\" << i
        << "\" AppRoot=\"/LM/W3SVC/" << i << "/ROOT\" IPGrant=\"10.0." << i << ".0, 255.255.255.0\" DomainDeny=\"bad"
        << i << ".example\"/>\n";
    for (int d = 1; d <= directories; ++d)
      out << "<IIsWebVirtualDir Location=\"/LM/W3SVC/" << i << "/ROOT/app" << d << "\" Path=\"D:\\Web\\" << i
          << "\\app" << d << "\" AppRoot=\"/LM/W3SVC/" << i << "/ROOT/app" << d << "\"/>\n";
  }
  out << "</MBProperty></configuration>\n";
}

}  // namespace bench
