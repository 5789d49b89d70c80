// What the Apache POI readers of the interop tests share: texts written as JSON
// strings, areas as one text, and a binary workbook opened from a path.
// tool.poi_compile compiles it with each of them.
import java.io.FileInputStream;
import java.io.IOException;
import org.apache.poi.hssf.usermodel.HSSFWorkbook;
import org.apache.poi.ss.util.CellRangeAddress;

final class PoiJson {
  private PoiJson() {}

  // A text as a JSON string, "null" for none; ascii escapes every character past '~' too.
  static String quote(String s, boolean ascii) {
    if (s == null) return "null";
    StringBuilder b = new StringBuilder("\"");
    for (char c : s.toCharArray()) {
      if (c == '"' || c == '\\') b.append('\\').append(c);
      else if (c < 0x20 || (ascii && c > 0x7E)) b.append(String.format("\\u%04x", (int) c));
      else b.append(c);
    }
    return b.append('"').toString();
  }

  static String quote(String s) { return quote(s, false); }

  // Areas as one JSON string, "A1:B2 C3".
  static String regions(CellRangeAddress[] areas) {
    StringBuilder b = new StringBuilder();
    for (CellRangeAddress a : areas) b.append(b.length() > 0 ? " " : "").append(a.formatAsString());
    return quote(b.toString());
  }

  static HSSFWorkbook hssf(String path) throws IOException {
    return new HSSFWorkbook(new FileInputStream(path));
  }
}
