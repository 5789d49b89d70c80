// Prints what SheetJS reads of a workbook as one JSON object: sheet names, every
// cell's type, value, formula and number format, and the merged areas.
const XLSX = require("xlsx");
const book = XLSX.readFile(process.argv[2], {cellFormula: true, cellNF: true});
const out = {sheets: book.SheetNames, cells: {}, merges: {}};
for (const name of book.SheetNames) {
  const sheet = book.Sheets[name];
  const cells = {};
  for (const key of Object.keys(sheet)) {
    if (key[0] === "!") continue;
    const c = sheet[key];
    cells[key] = {t: c.t, v: c.v, f: c.f, z: c.z};
  }
  out.cells[name] = cells;
  out.merges[name] = (sheet["!merges"] || []).map((m) => XLSX.utils.encode_range(m));
}
process.stdout.write(JSON.stringify(out));
