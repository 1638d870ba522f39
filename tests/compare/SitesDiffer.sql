-- Site 1 of S1 and site 1 of S2, one statement a line. General differs in port and in the case of
-- the state; custom headers in one name of two.
Insert Into [WebSiteGenInfo] Values('1','(All Unassigned)','80','','Yes','','120','Started','S1')
Insert Into [WebSiteGenInfo] Values('1','(All Unassigned)','81','','Yes','','120','started','S2')
Insert Into [tblCustomHeader] Values('1','X-A','1','S1')
Insert Into [tblCustomHeader] Values('1','X-B','2','S1')
Insert Into [tblCustomHeader] Values('1','X-A','1','S2')
Insert Into [tblCustomHeader] Values('1','X-C','2','S2')
-- Item 1 the longer: File/file and a.htm/A.HTM pair up equal; the tail compares exactly and never
-- reports the Null.
Insert Into [tblCustomErrors] Values('1','404','File','a.htm','S1')
Insert Into [tblCustomErrors] Values('1','500','FILE','b.htm','S1')
Insert Into [tblCustomErrors] Values('1','401',NULL,'c.htm','S1')
Insert Into [tblCustomErrors] Values('1','404','file','A.HTM','S2')
-- Item 2 the longer: item 1's values still in WebSite1; Null pairs with empty text.
Insert Into [tblDefaultDoc] Values('1','Yes','Default.htm','No',NULL,'S1')
Insert Into [tblDefaultDoc] Values('1','Yes','default.htm','No','','S2')
Insert Into [tblDefaultDoc] Values('1','Yes','index.htm','No','','S2')
Insert Into [tblDefaultDoc] Values('1','Yes','Default.htm','No','','S2')
-- A category one side lacks adds nothing.
Insert Into [tblISAPIFilters] Values('1','Compression','c.dll','Enabled','S1')
-- Restriction entries in the collector's form (each entry in its own row, the other cells empty,
-- one empty row per site): overlapping grants, disjoint denials, domains on one side only, and the
-- same denied domain on both.
Insert Into [tblRestrictIPAddress] Values('1','10.0.0.1','','','','S1')
Insert Into [tblRestrictIPAddress] Values('1','10.0.0.2','','','','S1')
Insert Into [tblRestrictIPAddress] Values('1','10.0.0.3','','','','S1')
Insert Into [tblRestrictIPAddress] Values('1','','192.168.1.1','','','S1')
Insert Into [tblRestrictIPAddress] Values('1','','','','x.example','S1')
Insert Into [tblRestrictIPAddress] Values('1','','','','','S1')
Insert Into [tblRestrictIPAddress] Values('1','10.0.0.2','','','','S2')
Insert Into [tblRestrictIPAddress] Values('1','10.0.0.9','','','','S2')
Insert Into [tblRestrictIPAddress] Values('1','','172.16.0.1','','','S2')
Insert Into [tblRestrictIPAddress] Values('1','','','a.example','','S2')
Insert Into [tblRestrictIPAddress] Values('1','','','b.example','','S2')
Insert Into [tblRestrictIPAddress] Values('1','','','','X.EXAMPLE','S2')
