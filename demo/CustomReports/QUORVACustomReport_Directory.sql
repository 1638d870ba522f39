-- Custom report definitions of the virtual-directory level (level 3); the same layout as the
-- server definitions, with the directory tables.
-- scripts/demo.sh builds QUORVACustomReport_Directory.cfg from this file:
--   sqlite3 QUORVACustomReport_Directory.cfg < QUORVACustomReport_Directory.sql

-- A directory's content path and access, its application and its documents.
CREATE TABLE DirectoryOverview (ColumnLists TEXT, TableNames TEXT);
INSERT INTO DirectoryOverview VALUES (
  'Path,Read ,Directory browsing|Application Name,Enable session state,Session timeout|Documents|Anonymous access,Integrated Windows authenticaion',
  'tblVirtualDirectory2000|tblVirApplicationSettings|tblVirDefaultDoc|tblVirDirSecurity');
