-- Custom report definitions of the web-server and web-site levels (levels 1 and 2).
-- One table per report, named by the report; its first record holds, in its first field, the
-- column lists ("|" between tables, "," between columns) and, in its second, the tables.
-- scripts/demo.sh builds QUORVACustomReport_Server.cfg from this file:
--   sqlite3 QUORVACustomReport_Server.cfg < QUORVACustomReport_Server.sql

-- Every site's bindings, home directory, default documents and custom errors.
CREATE TABLE SiteOverview (ColumnLists TEXT, TableNames TEXT);
INSERT INTO SiteOverview VALUES (
  'IP Address,TCP Port,State|Path,Read ,Write |Documents|HTTP Error,Type,Contents',
  'WebSiteGenInfo|tblHomeDirectory2000|tblDefaultDoc|tblCustomErrors');

-- Who may reach a site: authentication, address restrictions and the headers it sends.
CREATE TABLE SiteAccess (ColumnLists TEXT, TableNames TEXT);
INSERT INTO SiteAccess VALUES (
  'Anonymous access,Basic authentication|Granted IP Address,Denied IP Address,Granted Domain,Denied Domain|Custom Header Name,Custom Header Value',
  'tblHomeDirSecurity|tblRestrictIPAddress|tblCustomHeader');
