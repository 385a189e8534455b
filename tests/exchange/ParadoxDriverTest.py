"""The GDAL driver "Paradox" as GIS programs use it: GDAL's own programs (ogrinfo,
ogr2ogr) and its Python bindings, loading the plugin from GDAL_DRIVER_PATH, checked
against ter5tool run as a process.

  RealTables   every real table reads as `ter5tool dump` prints it, or fails with
               its message; nothing is written beside the tables
  DemoBase     a base's geometry layers equal `ter5tool export`; attribute and
               spatial filters find what the engine's search and pick find
  Refusals     update mode, a busy, damaged or half-written table: clear errors,
               nothing written

Environment: TER5_TOOL (ter5tool), TER5_HOLDER (table_holder), TER5_TEST_DATA_DIR
(the real tables) and GDAL_DRIVER_PATH (the folder of ogr_Paradox.so).
"""

import csv
import io
import os
import shutil
import signal
import subprocess
import tempfile
import unittest

from osgeo import gdal, ogr

gdal.UseExceptions()
# Blobs dump as long hex texts.
csv.field_size_limit(1 << 30)

TOOL = os.environ["TER5_TOOL"]
HOLDER = os.environ["TER5_HOLDER"]
DATA = os.environ["TER5_TEST_DATA_DIR"]


def run(*args, env=None, check=True, timeout=None):
    """Runs a program; its exit code, standard output and error (text, line ends kept:
    a memo's CR LF is part of its value)."""
    full = dict(os.environ, **(env or {}))
    p = subprocess.run(args, capture_output=True, env=full, timeout=timeout)
    p.stdout, p.stderr = p.stdout.decode(), p.stderr.decode()
    if check and p.returncode != 0:
        raise AssertionError(f"{args}: exit {p.returncode}\n{p.stdout}{p.stderr}")
    return p


def tool(*args, **kw):
    return run(TOOL, *args, **kw)


def open_vector(path, options=()):
    return gdal.OpenEx(path, gdal.OF_VECTOR | gdal.OF_READONLY, open_options=list(options))


def snapshot(folder):
    """Every file under `folder` with its bytes."""
    files = {}
    for root, _, names in os.walk(folder):
        for name in names:
            path = os.path.join(root, name)
            with open(path, "rb") as f:
                files[os.path.relpath(path, folder)] = f.read()
    return files


def ogr_error(action):
    """Runs `action`, which must fail; GDAL's error message."""
    try:
        action()
    except RuntimeError as e:
        return str(e)
    raise AssertionError("no error")


class Warnings:
    """Collects GDAL's warnings while it lives (with-statement)."""

    def __enter__(self):
        self.messages = []
        gdal.PushErrorHandler(lambda level, number, message: self.messages.append(message)
                              if level == gdal.CE_Warning else None)
        return self

    def __exit__(self, *exc):
        gdal.PopErrorHandler()


def dump_text(field_defn, feature, i):
    """A field value in the text form of `ter5tool dump` (ValueText.h); '' for NULL."""
    if not feature.IsFieldSetAndNotNull(i):
        return ""
    kind, sub = field_defn.GetType(), field_defn.GetSubType()
    if kind == ogr.OFTInteger and sub == ogr.OFSTBoolean:
        return "true" if feature.GetFieldAsInteger(i) else "false"
    if kind == ogr.OFTInteger:
        return str(feature.GetFieldAsInteger(i))
    if kind == ogr.OFTBinary:
        return feature.GetFieldAsBinary(i).hex()
    if kind in (ogr.OFTDate, ogr.OFTTime, ogr.OFTDateTime):
        y, mo, d, h, mi, s, _ = feature.GetFieldAsDateTime(i)
        date, time = f"{y:04d}-{mo:02d}-{d:02d}", f"{h:02d}:{mi:02d}:{s:06.3f}"
        return {ogr.OFTDate: date, ogr.OFTTime: time}.get(kind, f"{date}T{time}")
    return feature.GetFieldAsString(i)


class RealTables(unittest.TestCase):
    """Every table in tests/data/paradox, read through the driver and by ter5tool dump."""

    @classmethod
    def setUpClass(cls):
        cls.scratch = tempfile.TemporaryDirectory()
        # The driver reads one copy and dump another (dump takes its lock, making a
        # lock file), so that nothing the driver might write could hide.
        cls.tables = os.path.join(cls.scratch.name, "driver")
        cls.dumped = os.path.join(cls.scratch.name, "dump")
        shutil.copytree(DATA, cls.tables)
        shutil.copytree(DATA, cls.dumped)
        for root, _, names in os.walk(cls.tables):
            for name in names:
                if name == "ter5manager.lock":
                    os.remove(os.path.join(root, name))
        cls.before = snapshot(cls.tables)
        cls.files = sorted(os.path.relpath(os.path.join(r, n), cls.tables)
                           for r, _, ns in os.walk(cls.tables) for n in ns if n.lower().endswith(".db"))

    @classmethod
    def tearDownClass(cls):
        cls.scratch.cleanup()

    def dump(self, relative, *options):
        p = tool("dump", os.path.join(self.dumped, relative), *options, check=False)
        # An empty line is a record of one empty (NULL) field.
        rows = [row or [""] for row in csv.reader(io.StringIO(p.stdout, newline=""))]
        return p.returncode, rows, p.stderr

    def compare(self, relative, options=(), dump_options=()):
        code, rows, err = self.dump(relative, *dump_options)
        path = os.path.join(self.tables, relative)
        if code != 0:
            # The same cause, naming the file.
            cause = err.strip().split(": ")[-1]
            message = ogr_error(lambda: open_vector(path, options))
            self.assertIn(path, message)
            self.assertIn(cause, message)
            return False
        ds = open_vector(path, options)
        self.assertEqual(ds.GetDriver().ShortName, "Paradox")
        layer = ds.GetLayer(0)
        defn = layer.GetLayerDefn()
        self.assertEqual([defn.GetFieldDefn(i).GetName() for i in range(defn.GetFieldCount())], rows[0], relative)
        self.assertEqual(layer.GetFeatureCount(), len(rows) - 1, relative)
        fids = []
        for n, feature in enumerate(layer):
            fids.append(feature.GetFID())
            for i in range(defn.GetFieldCount()):
                field = defn.GetFieldDefn(i)
                expected, got = rows[n + 1][i], dump_text(field, feature, i)
                if field.GetType() == ogr.OFTReal and expected:
                    self.assertEqual(float(expected), feature.GetFieldAsDouble(i), f"{relative} {n + 1} {field.GetName()}")
                else:
                    self.assertEqual(expected, got, f"{relative} {n + 1} {field.GetName()}")
        self.assertEqual(fids, list(range(1, len(rows))), relative)
        # Random reads give the features of the sequential read.
        for fid in fids[::7]:
            self.assertEqual(layer.GetFeature(fid).GetFID(), fid)
        return True

    def test_every_table_reads_as_dump_prints_it_or_fails_with_its_message(self):
        read = sum(self.compare(relative) for relative in self.files)
        self.assertGreaterEqual(read, 30)

    def test_open_options_give_another_code_page_and_exact_decimals(self):
        self.compare("Chevich+KsmProj/Conf.DB", ["ENCODING=1251"], ["--encoding", "1251"])
        ds = open_vector(os.path.join(self.tables, "leonhad+paradoxdriver/fields/bcd.db"), ["BCD_AS=STRING"])
        layer = ds.GetLayer(0)
        _, rows, _ = self.dump("leonhad+paradoxdriver/fields/bcd.db")
        self.assertEqual(layer.GetLayerDefn().GetFieldDefn(0).GetType(), ogr.OFTString)
        self.assertEqual([[f.GetFieldAsString(i) if f.IsFieldSetAndNotNull(i) else "" for i in range(f.GetFieldCount())]
                          for f in layer], rows[1:])
        message = ogr_error(lambda: open_vector(os.path.join(self.tables, "Chevich+KsmProj/Conf.DB"), ["ENCODING=klingon"]))
        self.assertIn("open option ENCODING", message)

    def test_a_folder_offers_every_readable_table_and_names_those_left_out(self):
        folder = os.path.join(self.scratch.name, "folder")
        shutil.copytree(os.path.join(DATA, "leonhad+paradoxdriver/db"), folder)
        damaged = os.path.join(folder, "DAMAGED.DB")
        with open(os.path.join(folder, "AREACODES.DB"), "rb") as f:
            head = f.read(20000)
        with open(damaged, "wb") as f:
            f.write(head)
        with Warnings() as warnings:
            ds = open_vector(folder)
        names = ["AREACODES", "DECIMAL", "GENERAL", "ROMAN8"]
        self.assertEqual(sorted(ds.GetLayer(i).GetName() for i in range(ds.GetLayerCount())), names)
        self.assertTrue(any(w.startswith(f"{damaged}: truncated file") and w.endswith("the table is left out")
                            for w in warnings.messages), warnings.messages)
        # ogrinfo lists the same.
        listing = run("ogrinfo", "-ro", "-q", folder).stdout
        for name in names:
            self.assertIn(f": {name} (None)", listing)
        # A folder of no readable table fails with the first table's cause.
        os.mkdir(os.path.join(folder, "only"))
        os.rename(damaged, os.path.join(folder, "only", "DAMAGED.DB"))
        self.assertIn("truncated file", ogr_error(lambda: open_vector(os.path.join(folder, "only"))))

    def test_nothing_is_written_beside_the_tables(self):
        for relative in self.files[::3]:
            run("ogrinfo", "-ro", "-al", "-q", os.path.join(self.tables, relative), check=False)
        self.assertEqual(snapshot(self.tables), self.before)


class DemoBase(unittest.TestCase):
    """A demo base's geometry layers, against the export and the engine's own answers."""

    @classmethod
    def setUpClass(cls):
        cls.scratch = tempfile.TemporaryDirectory()
        cls.base = os.path.join(cls.scratch.name, "base")
        tool("demo", cls.base, "--parcels", "400", "--seed", "3")
        cls.ds = open_vector(cls.base)

    @classmethod
    def tearDownClass(cls):
        cls.ds = None
        cls.scratch.cleanup()

    def layer(self, name):
        layer = self.ds.GetLayerByName(name)
        layer.SetSpatialFilter(None)
        layer.SetAttributeFilter(None)
        layer.ResetReading()
        return layer

    def test_ogr2ogr_to_geopackage_equals_the_export(self):
        exported = os.path.join(self.scratch.name, "export.gpkg")
        copied = os.path.join(self.scratch.name, "ogr2ogr.gpkg")
        tool("export", self.base, "-o", exported, "--layers", "parcels,vertices,sides")
        run("ogr2ogr", "-f", "GPKG", copied, self.base, "parcels", "vertices", "sides")
        a, b = open_vector(exported), open_vector(copied)
        for name in ("parcels", "vertices", "sides"):
            la, lb = a.GetLayerByName(name), b.GetLayerByName(name)
            self.assertEqual(lb.GetGeomType(), la.GetGeomType(), name)
            self.assertEqual(lb.GetFeatureCount(), la.GetFeatureCount(), name)
            da, db = la.GetLayerDefn(), lb.GetLayerDefn()
            fields = [da.GetFieldDefn(i).GetName() for i in range(da.GetFieldCount())]
            self.assertEqual([db.GetFieldDefn(i).GetName() for i in range(db.GetFieldCount())], fields)
            for fa, fb in zip(la, lb):
                for i in range(len(fields)):
                    self.assertEqual(fb.GetField(i), fa.GetField(i), f"{name} {fa.GetFID()} {fields[i]}")
                ga, gb = fa.GetGeometryRef(), fb.GetGeometryRef()
                if name == "parcels":
                    self.assertAlmostEqual(gb.GetArea(), ga.GetArea(), delta=1e-9 * ga.GetArea())
                self.assertEqual(gb.ExportToIsoWkt(), ga.ExportToIsoWkt(), f"{name} {fa.GetFID()}")

    def test_attribute_filters_find_what_the_search_finds(self):
        def codes(rows):
            return {int(row[0]) for row in list(csv.reader(io.StringIO(rows, newline="")))[1:]}

        with_vertices = {f.GetField("Code") for f in self.layer("parcels")}
        for kind, text, where in (("--parcel-address", "Зелёная", "House LIKE '%Зелёная%'"),
                                  ("--cadastral", ":0142016:", "IdentificationCode LIKE '%:0142016:%'")):
            found = codes(tool("search", self.base, kind, text).stdout)
            self.assertGreater(len(found), 5, kind)
            table = self.layer("subter")
            table.SetAttributeFilter(where)
            self.assertEqual({f.GetField("Code") for f in table}, found, kind)
            parcels = self.layer("parcels")
            parcels.SetAttributeFilter(where)
            self.assertEqual({f.GetField("Code") for f in parcels}, found & with_vertices, kind)
            self.assertEqual(parcels.GetFeatureCount(), len(found & with_vertices))

    def test_spatial_filters_find_what_walking_every_feature_finds(self):
        extent = self.layer("parcels").GetExtent()
        width, height = extent[1] - extent[0], extent[3] - extent[2]
        for name in ("parcels", "vertices", "sides"):
            everything = [(f.GetFID(), f.GetGeometryRef().Clone()) for f in self.layer(name) if f.GetGeometryRef()]
            for k in range(6):
                x0 = extent[0] + width * k / 7
                y0 = extent[2] + height * (6 - k) / 7
                rect = ogr.CreateGeometryFromWkt(
                    f"POLYGON(({x0} {y0},{x0 + 60} {y0},{x0 + 60} {y0 + 45},{x0} {y0 + 45},{x0} {y0}))")
                layer = self.layer(name)
                layer.SetSpatialFilter(rect)
                self.assertEqual([f.GetFID() for f in layer],
                                 [fid for fid, g in everything if g.Intersects(rect)], f"{name} {k}")

    def pick(self, x, y):
        rows = list(csv.reader(io.StringIO(tool("pick", self.base, repr(x), repr(y)).stdout, newline="")))
        return int(rows[1][1]) if rows[1][0] == "true" else None

    def test_spatial_filters_find_the_parcel_the_map_picks(self):
        """FindParcelAt: the last vertex within 7 m wins; else a side's 0.1 m rule (such
        points are skipped here); else the last parcel holding the point."""
        points = []
        for n, f in enumerate(self.layer("parcels")):
            if n % 9 == 0:
                p = f.GetGeometryRef().PointOnSurface()
                points.append((p.GetX(), p.GetY()))
        for n, f in enumerate(self.layer("vertices")):
            if n % 401 == 0:
                points.append((f.GetGeometryRef().GetX() + 3, f.GetGeometryRef().GetY() + 2))
        checked = {"vertex": 0, "inside": 0}
        for x, y in points:
            point = ogr.CreateGeometryFromWkt(f"POINT({x} {y})")
            vertices = self.layer("vertices")
            vertices.SetSpatialFilterRect(x - 8, y - 8, x + 8, y + 8)
            near = [(f.GetFID(), f.GetField("Ter"), f.GetGeometryRef().Distance(point)) for f in vertices]
            if any(abs(d - 7) < 1e-3 for _, _, d in near):
                continue
            near = [v for v in near if v[2] <= 7]
            if near:
                self.assertEqual(self.pick(x, y), max(near)[1], (x, y))
                checked["vertex"] += 1
                continue
            sides = self.layer("sides")
            sides.SetSpatialFilterRect(x - 30, y - 30, x + 30, y + 30)
            on_side = False
            for f in sides:
                line = f.GetGeometryRef()
                a, b = line.GetPoint_2D(0), line.GetPoint_2D(1)
                da = ((a[0] - x) ** 2 + (a[1] - y) ** 2) ** 0.5
                db = ((b[0] - x) ** 2 + (b[1] - y) ** 2) ** 0.5
                on_side = on_side or abs(line.Length() - (da + db)) < 0.2
            if on_side:
                continue
            parcels = self.layer("parcels")
            parcels.SetSpatialFilter(point)
            holding = [(f.GetFID(), f.GetField("Code")) for f in parcels]
            self.assertEqual(self.pick(x, y), max(holding)[1] if holding else None, (x, y))
            checked["inside"] += 1
        self.assertGreater(checked["vertex"], 5)
        self.assertGreater(checked["inside"], 20)

    def test_counts_and_extents_without_a_scan_match_the_features(self):
        report = run("ogrinfo", "-ro", "-so", self.base, "vertices").stdout
        layer = self.layer("vertices")
        self.assertIn(f"Feature Count: {sum(1 for _ in layer)}", report)
        self.assertIn("Geometry: 3D Point", report)
        xs, ys = [], []
        for f in self.layer("vertices"):
            xs.append(f.GetGeometryRef().GetX())
            ys.append(f.GetGeometryRef().GetY())
        self.assertEqual(self.layer("vertices").GetExtent(), (min(xs), max(xs), min(ys), max(ys)))
        self.assertEqual(self.layer("parcels").GetExtent(), self.layer("vertices").GetExtent())
        self.assertTrue(self.layer("parcels").TestCapability(ogr.OLCFastSpatialFilter))


class Refusals(unittest.TestCase):
    """Clear errors, naming the file and the cause, and nothing written."""

    def setUp(self):
        self.scratch = tempfile.TemporaryDirectory()
        self.base = os.path.join(self.scratch.name, "base")
        tool("demo", self.base, "--parcels", "30")
        os.remove(os.path.join(self.base, "ter5manager.lock"))

    def tearDown(self):
        self.scratch.cleanup()

    def test_update_mode_is_refused(self):
        message = ogr_error(lambda: gdal.OpenEx(self.base, gdal.OF_VECTOR | gdal.OF_UPDATE))
        self.assertIn("reads tables and bases only", message)
        self.assertIn(self.base, message)

    def test_a_base_opens_without_making_a_lock_file(self):
        before = snapshot(self.base)
        run("ogrinfo", "-ro", "-al", "-so", self.base)
        run("ogr2ogr", "-f", "GeoJSON", os.path.join(self.scratch.name, "p.geojson"), self.base, "parcels")
        self.assertEqual(snapshot(self.base), before)

    def test_a_base_in_a_read_only_folder_reads_with_or_without_a_lock_file(self):
        """The programs run as an unprivileged user where the tests run as root, for whom
        permissions would not hold."""
        as_user = ["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"] if os.geteuid() == 0 else []
        out = os.path.join(self.scratch.name, "out")
        os.mkdir(out)
        os.chmod(out, 0o777)
        os.chmod(self.scratch.name, 0o755)
        # The build tree may sit in a folder only its owner can enter: the user loads a
        # copy of the plugin from a folder everyone can read.
        plugins = os.path.join(self.scratch.name, "plugins")
        os.mkdir(plugins)
        shutil.copy(os.path.join(os.environ["GDAL_DRIVER_PATH"], "ogr_Paradox.so"), plugins)
        os.chmod(os.path.join(plugins, "ogr_Paradox.so"), 0o755)
        os.chmod(plugins, 0o755)
        as_user = ["env", f"GDAL_DRIVER_PATH={plugins}", *as_user]
        expected = tool("dump", os.path.join(self.base, "subter.db")).stdout.count("\n") - 1
        os.remove(os.path.join(self.base, "ter5manager.lock"))
        for with_lock in (False, True):
            if with_lock:
                os.chmod(self.base, 0o755)
                tool("dump", os.path.join(self.base, "ter.db"))
            for name in os.listdir(self.base):
                os.chmod(os.path.join(self.base, name), 0o444)
            os.chmod(self.base, 0o555)
            try:
                before = snapshot(self.base), os.stat(self.base).st_mtime_ns
                report = run(*as_user, "ogrinfo", "-ro", "-so", self.base, "subter").stdout
                self.assertIn(f"Feature Count: {expected}", report)
                copy = os.path.join(out, f"parcels{int(with_lock)}.geojson")
                run(*as_user, "ogr2ogr", "-f", "GeoJSON", copy, self.base, "parcels")
                copied = open_vector(copy)
                self.assertGreater(copied.GetLayer(0).GetFeatureCount(), 20)
                self.assertEqual((snapshot(self.base), os.stat(self.base).st_mtime_ns), before)
            finally:
                os.chmod(self.base, 0o755)

    def test_fifos_under_the_names_of_the_lock_file_and_a_table_hang_nothing(self):
        os.mkfifo(os.path.join(self.base, "ter5manager.lock"))
        os.mkfifo(os.path.join(self.base, "EXTRA.DB"))
        before = sorted(os.listdir(self.base))
        listing = run("ogrinfo", "-ro", "-q", self.base, timeout=60).stdout
        self.assertIn("parcels (Multi Polygon)", listing)
        self.assertNotIn("EXTRA", listing)
        report = run("ogrinfo", "-ro", "-so", self.base, "parcels", timeout=60).stdout
        self.assertIn("Feature Count: ", report)
        self.assertEqual(sorted(os.listdir(self.base)), before)

    def test_a_table_held_by_a_writer_is_busy(self):
        table = os.path.join(self.base, "ter.db")
        holder = subprocess.Popen([HOLDER, "engine-exclusive", table], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                  text=True)
        try:
            self.assertEqual(holder.stdout.readline().strip(), "held")
            message = ogr_error(lambda: open_vector(table))
            self.assertIn(f"{table}: Table is busy", message)
            # The base opens without it, and so without its geometry layers.
            with Warnings() as warnings:
                ds = open_vector(self.base)
            self.assertEqual(sorted(ds.GetLayer(i).GetName() for i in range(ds.GetLayerCount())), ["POLIGON", "subter"])
            self.assertTrue(any("Table is busy" in w and "left out" in w for w in warnings.messages), warnings.messages)
        finally:
            holder.stdin.close()
            holder.wait()
            holder.stdout.close()
        self.assertEqual(open_vector(self.base).GetLayerCount(), 6)

    def test_a_damaged_table_names_the_damage(self):
        table = os.path.join(self.base, "subter.db")
        with open(table, "r+b") as f:
            f.truncate(os.path.getsize(table) // 2)
        message = ogr_error(lambda: open_vector(table))
        self.assertIn(f"{table}: truncated file", message)

    def test_a_write_killed_after_its_commit_is_left_for_a_writer_to_complete(self):
        table = os.path.join(self.base, "ter.db")
        rows = os.path.join(self.scratch.name, "more.csv")
        with open(rows, "w", encoding="utf-8") as f:
            f.write("Code,Family\n99999,Новый\n")
        writer = subprocess.Popen([TOOL, "append", table, rows], env=dict(os.environ, TER5TOOL_STOP_AT="committed:1"))
        _, status = os.waitpid(writer.pid, os.WUNTRACED)
        self.assertTrue(os.WIFSTOPPED(status))
        os.kill(writer.pid, signal.SIGKILL)
        writer.wait()
        before = snapshot(self.base)
        message = ogr_error(lambda: open_vector(table))
        self.assertIn(f"{table}: a write to the table was cut off and awaits completion", message)
        self.assertEqual(snapshot(self.base), before)
        tool("verify", self.base, check=False)
        ds = open_vector(table)
        self.assertEqual(ds.GetLayer(0).GetFeatureCount(), tool("dump", table).stdout.count("\n") - 1)


if __name__ == "__main__":
    unittest.main()
