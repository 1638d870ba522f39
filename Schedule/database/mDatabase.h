// The category catalogue and the settings tables.
#pragma once

// Makes sure the settings database exists and drops and re-creates every category table.
void CreateDBResource();
