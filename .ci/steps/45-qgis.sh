#!/usr/bin/env bash
# The GDAL driver in QGIS: QGIS from Debian, headless, loads a demo base's parcels
# through its OGR provider with the driver of the build tree, and finds the feature
# count, extent and attributes of the GeoPackage that `ter5tool export` writes.
set -euo pipefail
source .ci/lib.sh
need_packages qgis python3-qgis

build=${TER5_BUILD_DIR:-build}
tool=$build/tools/ter5tool/ter5tool
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$tool" demo "$work/base" --parcels 300 --seed 5 >/dev/null
"$tool" export "$work/base" -o "$work/parcels.gpkg" --layers parcels >/dev/null 2>&1

GDAL_DRIVER_PATH=$(cd "$build/src/exchange/gdal" && pwd) QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=$work \
  /usr/bin/python3 - "$work/base" "$work/parcels.gpkg" <<'EOF'
import sys
from qgis.core import QgsApplication, QgsFeatureRequest, QgsVectorLayer

base, exported = sys.argv[1], sys.argv[2]
QgsApplication.setPrefixPath("/usr", True)
app = QgsApplication([], False)
app.initQgis()

def fail(message):
    print(f"qgis: {message}", file=sys.stderr)
    sys.exit(1)

layer = QgsVectorLayer(f"{base}|layername=parcels", "parcels", "ogr")
expected = QgsVectorLayer(f"{exported}|layername=parcels", "expected", "ogr")
if not layer.isValid() or not expected.isValid():
    fail(f"the layers did not load: {layer.error().summary()} {expected.error().summary()}")
if layer.dataProvider().storageType() != "Paradox":
    fail(f"read by {layer.dataProvider().storageType()}, not by the Paradox driver")
if layer.featureCount() != expected.featureCount() or layer.featureCount() < 250:
    fail(f"{layer.featureCount()} features, the export has {expected.featureCount()}")
if layer.extent().toString(3) != expected.extent().toString(3):
    fail(f"extent {layer.extent().toString(3)}, the export's {expected.extent().toString(3)}")
names = [f.name() for f in expected.fields() if f.name() != "fid"]
if [f.name() for f in layer.fields()] != names:
    fail(f"fields {[f.name() for f in layer.fields()]}, the export's {names}")
code = next(expected.getFeatures())["Code"]
got = next(layer.getFeatures(QgsFeatureRequest().setFilterExpression(f'"Code" = {code}')))
want = next(expected.getFeatures(QgsFeatureRequest().setFilterExpression(f'"Code" = {code}')))
for name in names:
    if got[name] != want[name]:
        fail(f"parcel {code}: {name} is {got[name]!r}, the export has {want[name]!r}")
if abs(got.geometry().area() - want.geometry().area()) > 1e-9 * want.geometry().area():
    fail(f"parcel {code}: area {got.geometry().area()}, the export's {want.geometry().area()}")
print(f"qgis: {layer.featureCount()} parcels, extent {layer.extent().toString(3)}, parcel {code} as exported")
# The layers go before QGIS's providers do.
del layer, expected, got, want
app.exitQgis()
EOF
