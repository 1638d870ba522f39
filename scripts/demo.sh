#!/usr/bin/env bash
# Sets up, builds, and runs the program on a scratch copy of the bundled demo application folder.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
run=run/demo
rm -rf "$run"
mkdir -p run
cp -r demo "$run"
cp build/QUORVASchedule "$run/"
# The custom report definition files are SQLite databases built from their readable SQL.
for sql in "$run"/CustomReports/*.sql; do
  sqlite3 "$run/$(basename "${sql%.sql}").cfg" < "$sql"
done
# The program takes no arguments: it works in the folder that holds it. It runs from that folder,
# as a scheduler would start it, so the job folders "DirectoryReports" and "CustomExports" of the
# schedule land there.
status=0
(cd "$run" && ./QUORVASchedule) || status=$?
echo
echo "QUORVASchedule ended with exit code $status in $(pwd)/$run"
echo "Status log:    $run/Log/QUORVALog.Log"
ls "$run"/Log/ActivityLog*.htm 2>/dev/null | sed 's/^/Activity log:  /' || true
ls "$run"/*.cfg 2>/dev/null | sed 's/^/Definitions:   /' || true
exports=("$run"/QUORVAExportDb_*.mdb "$run"/DirectoryReports/QUORVAExportDb_*.mdb "$run"/CustomExports/QUORVAExportDb_*.mdb)
ls "$run"/*.html "$run"/*.csv "${exports[@]}" 2>/dev/null | sed 's/^/Report:        /' || true
for db in "${exports[@]}"; do
  [ -f "$db" ] || continue
  echo "Export tables: $db: $(sqlite3 "$db" "select group_concat(name, ', ') from sqlite_master where type = 'table'")"
done
echo "Settings DB:   $run/VelmoraDatabase.mdb"
echo
echo "--- status log ---"
cat "$run/Log/QUORVALog.Log"
