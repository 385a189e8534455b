#!/usr/bin/env bash
# The GIS export as a user runs it: a demo base exported to every format, each file read
# back with GDAL's ogrinfo for its feature counts, reference system and Cyrillic text.
set -euo pipefail
source .ci/lib.sh
need_packages gdal-bin

tool=build/tools/ter5tool/ter5tool
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$tool" demo "$work/base" --parcels 400 --seed 3 >/dev/null
# Parcels with vertices, vertex rows and owners of the base, as the geometry model has them.
parcels=$("$tool" geometry "$work/base" | tail -n +2 | cut -d, -f1 | sort -u | wc -l)
vertices=$("$tool" geometry "$work/base" | tail -n +2 | wc -l)
owners=$(( $("$tool" dump "$work/base/ter.db" | wc -l) - 1 ))
echo "export: base of $parcels parcels with vertices, $vertices vertices, $owners owners"

fail() { echo "export: $*" >&2; exit 1; }

# Whether ogrinfo's report on a layer holds a text (the report goes to a file first:
# grep -q ending a pipe early would fail it under pipefail).
report_has() {  # text ogrinfo-arguments…
  local text=$1
  shift
  ogrinfo "$@" >"$work/report"
  grep -q -- "$text" "$work/report"
}

# The feature count ogrinfo reports for a layer.
count() { ogrinfo -so -ro "$1" "$2" | sed -n 's/^Feature Count: //p'; }

expect_count() {  # file layer expected
  local got
  got=$(count "$1" "$2")
  [ "$got" = "$3" ] || fail "$1 $2: $got features, expected $3"
}

expect_text() {  # file layer text: the Cyrillic addresses are there as written
  report_has "$3" -ro -q "$1" "$2" || fail "$1 $2: no '$3'"
}

expect_srs() {  # file layer: the layer's reference system is Pulkovo 1942 / Gauss-Kruger zone 4
  report_has 'Gauss-Kruger zone 4' -so -ro "$1" "$2" || fail "$1 $2: reference system lost"
}

crs=EPSG:28404
# Every demo address ends in the parcel's number after "уч. №".
house="уч. №"

"$tool" export "$work/base" -o "$work/out.gpkg" --layers parcels,vertices,sides,owners --crs $crs
for layer in parcels vertices sides owners; do ogrinfo -so -ro "$work/out.gpkg" "$layer" >/dev/null; done
expect_count "$work/out.gpkg" parcels "$parcels"
expect_count "$work/out.gpkg" vertices "$vertices"
expect_count "$work/out.gpkg" owners "$owners"
expect_srs "$work/out.gpkg" parcels
expect_text "$work/out.gpkg" parcels "$house"
report_has 'Geometry: 3D Point' -so -ro "$work/out.gpkg" vertices || fail "vertices are not 3-D"

"$tool" export "$work/base" -o "$work/out.shp" --crs $crs
expect_count "$work/out.shp" out "$parcels"
expect_count "$work/out_vertices.shp" out_vertices "$vertices"
expect_count "$work/out_owners.dbf" out_owners "$owners"
expect_srs "$work/out.shp" out
[ "$(cat "$work/out.cpg")" = "UTF-8" ] || fail "out.cpg does not say UTF-8"
expect_text "$work/out.shp" out "$house"
report_has 'IdentCode:' -so -ro "$work/out.shp" out || fail "IdentificationCode not renamed IdentCode"

"$tool" export "$work/base" -o "$work/out.geojson" --crs $crs
expect_count "$work/out.geojson" parcels "$parcels"
expect_count "$work/out_vertices.geojson" vertices "$vertices"
expect_srs "$work/out.geojson" parcels
expect_text "$work/out.geojson" parcels "$house"

"$tool" export "$work/base" -o "$work/out.csv"
expect_count "$work/out.csv" out "$parcels"
expect_count "$work/out_owners.csv" out_owners "$owners"
expect_text "$work/out.csv" out "$house"

local_crs="+proj=tmerc +lat_0=0 +lon_0=35 +k=1 +x_0=1300000 +y_0=-600000 +ellps=krass +units=m +no_defs"
"$tool" export "$work/base" -o "$work/out.kml" --crs "$local_crs"
expect_count "$work/out.kml" parcels "$parcels"
expect_count "$work/out.kml" vertices "$vertices"
expect_text "$work/out.kml" parcels "$house"

"$tool" export "$work/base" -o "$work/out.dxf" --layers parcels,vertices,sides
ogrinfo -ro -q "$work/out.dxf" entities -where "Layer='vertices'" >"$work/report"
dxf_vertices=$(grep -c '^OGRFeature' "$work/report")
[ "$dxf_vertices" = "$vertices" ] || fail "out.dxf: $dxf_vertices vertex points, expected $vertices"

# A KML without a reference system is refused with exit code 2 and nothing written.
if "$tool" export "$work/base" -o "$work/refused.kml" 2>"$work/err"; then fail "KML without --crs was accepted"; fi
grep -q 'reference system' "$work/err" || fail "KML refusal does not say why"
[ ! -e "$work/refused.kml" ] || fail "a refused export left a file"
echo "export: every format read back by ogrinfo"
