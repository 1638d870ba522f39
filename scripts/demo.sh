#!/usr/bin/env bash
# Installs what running needs, builds the two programs, and runs a night on a scratch copy of the
# bundled demo application folder (run/demo/), the way an administrator's host runs it:
#   1. quorva-nightly fetch takes each server's snapshot from its source (file:// sources here,
#      standing for a drop folder another job fills);
#   2. a server changes during the day;
#   3. quorva-nightly run runs the night: fetch (which finds the change), check, QUORVASchedule,
#      drift (Drift/<stamp>/changes.html), the run's page.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh --run
bash scripts/build.sh --programs
run=run/demo
rm -rf "$run"
mkdir -p run
cp -r demo "$run"
app="$(pwd)/$run"
cp build/QUORVASchedule build/quorva-nightly "$run/"
# The custom report definition files are SQLite databases built from their readable SQL.
for sql in "$run"/CustomReports/*.sql; do
  sqlite3 "$run/$(basename "${sql%.sql}").cfg" < "$sql"
done

# The live servers' configuration files, and where to fetch them from.
drop="$app/Drop"
mkdir -p "$drop/WEBFARM01" "$drop/LEGACY01"
cp demo/Servers/WEBFARM01/applicationHost.config "$drop/WEBFARM01/"
cp demo/Servers/LEGACY01/MetaBase.xml "$drop/LEGACY01/"
cat > "$run/ScheduleInfo/Sources.ini" <<SOURCES
[Sources]
WEBFARM01=file://$drop/WEBFARM01/applicationHost.config
LEGACY01=file://$drop/LEGACY01/MetaBase.xml
[Options]
KeepDays=30
SOURCES
nightly() { "$app/quorva-nightly" --app "$app" "$@"; }

echo "--- quorva-nightly fetch: the first snapshots ---"
nightly fetch
# Tonight's change on WEBFARM01: Contoso Shop moves to port 8080 and gains a default document.
sed -i -e 's|10.0.0.21:80:shop.contoso.com|10.0.0.21:8080:shop.contoso.com|' \
  -e '/<location path="Contoso Shop">/,/<\/defaultDocument>/ s|<add value="index.html" />|<add value="index.html" />\n                    <add value="home.aspx" />|' \
  "$drop/WEBFARM01/applicationHost.config"

# The night itself. The program takes no arguments and works in the folder that holds it; run
# starts it there, so the job folders "DirectoryReports" and "CustomExports" of the schedule land
# in the application folder.
echo "--- quorva-nightly run ---"
status=0
nightly run || status=$?
page=$(ls -t "$run"/Runs/20*.html | head -n 1)
changes=$(ls -d "$run"/Drift/*/ | tail -n 1)
echo
echo "quorva-nightly run ended with exit status $status in $app"
echo "Run page:      $page"
echo "All runs:      $run/Runs/index.html"
echo "Change page:   ${changes}changes.html"
echo "Status log:    $run/Log/QUORVALog.Log"
echo "Run journal:   $run/Log/QUORVARun.jsonl"
echo "Settings DB:   $run/VelmoraDatabase.mdb"
echo
echo "--- status log ---"
cat "$run/Log/QUORVALog.Log"
exit "$status"
