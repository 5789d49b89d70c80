"""A strict check of a written .xlsx package, stricter than the lenient readers:
every part is well-formed XML, every relationship and content type names a part
that exists, and the child elements of every element listed below come in the
order the schema gives (the spreadsheet application refuses or "repairs" a part
whose children are out of order, which most other readers accept silently).
Elements whose children the schema lets come in any order are listed with
ORDERED False: there only the names are checked. The cell table is checked
for where its cells land: a <row> or <c> without its r attribute comes right
after the one before it, as the readers place it; a named one must lie past
it (cells of a row ascending, its name in its row)."""
import posixpath
import re
import xml.etree.ElementTree as ET
import zipfile

# element -> (ORDERED, children in the schema's order)
ORDER = {
    "worksheet": (True, [
        "sheetPr", "dimension", "sheetViews", "sheetFormatPr", "cols", "sheetData", "sheetCalcPr",
        "sheetProtection", "protectedRanges", "scenarios", "autoFilter", "sortState", "dataConsolidate",
        "customSheetViews", "mergeCells", "phoneticPr", "conditionalFormatting", "dataValidations",
        "hyperlinks", "printOptions", "pageMargins", "pageSetup", "headerFooter", "rowBreaks", "colBreaks",
        "customProperties", "cellWatches", "ignoredErrors", "smartTags", "drawing", "legacyDrawing",
        "legacyDrawingHF", "drawingHF", "picture", "oleObjects", "controls", "webPublishItems", "tableParts",
        "extLst"]),
    "sheetPr": (True, ["tabColor", "outlinePr", "pageSetUpPr"]),
    "sheetViews": (True, ["sheetView", "extLst"]),
    "sheetView": (True, ["pane", "selection", "pivotSelection", "extLst"]),
    "cols": (True, ["col"]),
    "sheetData": (True, ["row"]),
    "row": (True, ["c", "extLst"]),
    "c": (True, ["f", "v", "is", "extLst"]),
    "mergeCells": (True, ["mergeCell"]),
    "headerFooter": (True, ["oddHeader", "oddFooter", "evenHeader", "evenFooter", "firstHeader", "firstFooter"]),
    "rowBreaks": (True, ["brk"]),
    "colBreaks": (True, ["brk"]),
    "autoFilter": (True, ["filterColumn", "sortState", "extLst"]),
    "filterColumn": (True, ["filters", "top10", "customFilters", "dynamicFilter", "colorFilter", "iconFilter",
                            "extLst"]),
    "conditionalFormatting": (True, ["cfRule", "extLst"]),
    "cfRule": (True, ["formula", "colorScale", "dataBar", "iconSet", "extLst"]),
    "dataValidations": (True, ["dataValidation"]),
    "dataValidation": (True, ["formula1", "formula2"]),
    "hyperlinks": (True, ["hyperlink"]),
    "workbook": (True, [
        "fileVersion", "fileSharing", "workbookPr", "workbookProtection", "bookViews", "sheets",
        "functionGroups", "externalReferences", "definedNames", "calcPr", "oleSize", "customWorkbookViews",
        "pivotCaches", "smartTagPr", "smartTagTypes", "webPublishing", "fileRecoveryPr", "webPublishObjects",
        "extLst"]),
    "bookViews": (True, ["workbookView"]),
    "sheets": (True, ["sheet"]),
    "definedNames": (True, ["definedName"]),
    "styleSheet": (True, ["numFmts", "fonts", "fills", "borders", "cellStyleXfs", "cellXfs", "cellStyles",
                          "dxfs", "tableStyles", "colors", "extLst"]),
    "numFmts": (True, ["numFmt"]),
    "fonts": (True, ["font"]),
    "fills": (True, ["fill"]),
    "borders": (True, ["border"]),
    "cellStyleXfs": (True, ["xf"]),
    "cellXfs": (True, ["xf"]),
    "cellStyles": (True, ["cellStyle"]),
    "dxfs": (True, ["dxf"]),
    "font": (False, ["b", "i", "strike", "condense", "extend", "outline", "shadow", "u", "vertAlign", "sz",
                     "color", "name", "family", "charset", "scheme"]),
    "rPr": (False, ["rFont", "charset", "family", "b", "i", "strike", "outline", "shadow", "condense",
                    "extend", "color", "sz", "u", "vertAlign", "scheme"]),
    "fill": (True, ["patternFill", "gradientFill"]),
    "patternFill": (True, ["fgColor", "bgColor"]),
    "border": (True, ["start", "left", "end", "right", "top", "bottom", "diagonal", "vertical", "horizontal"]),
    "xf": (True, ["alignment", "protection", "extLst"]),
    "dxf": (True, ["font", "numFmt", "fill", "alignment", "protection", "border", "extLst"]),
    "sst": (True, ["si", "extLst"]),
    "si": (True, ["t", "r", "rPh", "phoneticPr"]),
    "r": (True, ["rPr", "t"]),
    "comments": (True, ["authors", "commentList", "extLst"]),
    "authors": (True, ["author"]),
    "commentList": (True, ["comment"]),
    "comment": (True, ["text", "commentPr"]),
    "text": (True, ["t", "r", "rPh", "phoneticPr"]),
    "wsDr": (False, ["twoCellAnchor", "oneCellAnchor", "absoluteAnchor"]),
    "from": (True, ["col", "colOff", "row", "rowOff"]),
    "to": (True, ["col", "colOff", "row", "rowOff"]),
    "twoCellAnchor": (True, ["from", "to", "sp", "grpSp", "graphicFrame", "cxnSp", "pic", "contentPart",
                             "clientData"]),
    "oneCellAnchor": (True, ["from", "ext", "sp", "grpSp", "graphicFrame", "cxnSp", "pic", "contentPart",
                             "clientData"]),
    "pic": (True, ["nvPicPr", "blipFill", "spPr", "style"]),
    "nvPicPr": (True, ["cNvPr", "cNvPicPr"]),
    "cNvPicPr": (True, ["picLocks", "extLst"]),
    "blipFill": (True, ["blip", "srcRect", "tile", "stretch"]),
    "stretch": (True, ["fillRect"]),
    "spPr": (True, ["xfrm", "custGeom", "prstGeom", "noFill", "solidFill", "gradFill", "blipFill", "pattFill",
                    "grpFill", "ln", "effectLst", "effectDag", "scene3d", "sp3d", "extLst"]),
    "xfrm": (True, ["off", "ext"]),
    "prstGeom": (True, ["avLst"]),
    "Relationships": (True, ["Relationship"]),
    "Types": (False, ["Default", "Override"]),
}


def local(tag):
    return tag.rsplit("}", 1)[-1]


def check_element(part, element, problems):
    name = local(element.tag)
    rule = ORDER.get(name)
    if rule:
        ordered, children = rule
        last = -1
        for child in element:
            child_name = local(child.tag)
            if child_name not in children:
                problems.append("%s: <%s> has a child <%s> the schema does not allow there" % (part, name, child_name))
                continue
            at = children.index(child_name)
            if ordered and at < last:
                problems.append("%s: in <%s>, <%s> comes after <%s>" % (part, name, child_name, children[last]))
            last = max(last, at)
    for child in element:
        check_element(part, child, problems)


CELL_NAME = re.compile(r"([A-Z]{1,3})([0-9]+)$")


def column_number(letters):
    n = 0
    for ch in letters:
        n = n * 26 + ord(ch) - 64
    return n


def place_cells(part, root, problems):
    """The (row, column) of every <c> of a worksheet, one-based, in the order of
    the part, each where a reader puts it; what breaks the order is a problem."""
    places, row_number = [], 0
    for data in (e for e in root if local(e.tag) == "sheetData"):
        for row in data:
            r = row.get("r")
            at = int(r) if r is not None else row_number + 1
            if at <= row_number:
                problems.append("%s: row %d comes after row %d" % (part, at, row_number))
            row_number, column = at, 0
            for cell in row:
                if local(cell.tag) != "c":
                    continue
                name = cell.get("r")
                if name is None:
                    column += 1
                else:
                    m = CELL_NAME.match(name)
                    if not m or int(m.group(2)) != row_number:
                        problems.append("%s: cell %s in row %d" % (part, name, row_number))
                        continue
                    named = column_number(m.group(1))
                    if named <= column:
                        problems.append("%s: cell %s after column %d of its row" % (part, name, column))
                    column = named
                if column > 16384:
                    problems.append("%s: a cell of row %d past the last column" % (part, row_number))
                places.append((row_number, column))
    return places


def cell_places(path):
    """{sheet part: [(row, column) of each cell]} of a package's worksheets."""
    with zipfile.ZipFile(path) as z:
        return {n: place_cells(n, ET.fromstring(z.read(n)), [])
                for n in z.namelist() if n.startswith("xl/worksheets/") and n.endswith(".xml")}


def check_package(path):
    """Returns the problems found (empty when the package passes)."""
    problems = []
    with zipfile.ZipFile(path) as z:
        names = z.namelist()
        if len(set(names)) != len(names):
            problems.append("a part name occurs twice")
        roots = {}
        for name in names:
            if not (name.endswith(".xml") or name.endswith(".rels") or name.endswith(".vml")):
                continue
            try:
                roots[name] = ET.fromstring(z.read(name))
            except ET.ParseError as e:
                problems.append("%s is not well-formed: %s" % (name, e))
        for name, root in roots.items():
            check_element(name, root, problems)
            if local(root.tag) == "worksheet":
                place_cells(name, root, problems)
        types = roots.get("[Content_Types].xml")
        if types is None:
            return problems + ["[Content_Types].xml is missing"]
        overrides = {e.get("PartName").lstrip("/") for e in types if local(e.tag) == "Override"}
        defaults = {e.get("Extension").lower() for e in types if local(e.tag) == "Default"}
        for part in overrides - set(names):
            problems.append("content type for a missing part %s" % part)
        for name in names:
            if name not in overrides and name.rsplit(".", 1)[-1].lower() not in defaults:
                problems.append("%s has no content type" % name)
        for name, root in roots.items():
            if not name.endswith(".rels"):
                continue
            base = posixpath.dirname(posixpath.dirname(name))
            for rel in root:
                if rel.get("TargetMode") == "External":
                    continue
                target = rel.get("Target")
                full = target.lstrip("/") if target.startswith("/") else posixpath.normpath(posixpath.join(base, target))
                if full not in names:
                    problems.append("%s: relationship %s names a missing part %s" % (name, rel.get("Id"), full))
            ids = [rel.get("Id") for rel in root]
            if len(set(ids)) != len(ids):
                problems.append("%s: a relationship id occurs twice" % name)
    return problems
