// Prints what Apache POI reads from a BIFF8 workbook, one JSON object a line: per
// sheet its merged areas, then a "row" line for each row it knows (height in twips,
// hidden) followed by a "cell" line for each cell of the row (type, value, formula
// text, bold font, number format).
import org.apache.poi.hssf.usermodel.*;
import org.apache.poi.ss.usermodel.*;
import org.apache.poi.ss.util.CellRangeAddress;

public class PoiDump {
  static String quote(String s) { return PoiJson.quote(s); }

  public static void main(String[] args) throws Exception {
    HSSFWorkbook book = PoiJson.hssf(args[0]);
    for (int s = 0; s < book.getNumberOfSheets(); ++s) {
      HSSFSheet sheet = book.getSheetAt(s);
      String name = quote(sheet.getSheetName());
      for (CellRangeAddress area : sheet.getMergedRegions())
        System.out.println("{\"sheet\":" + name + ",\"merged\":\"" + area.formatAsString() + "\"}");
      for (Row row : sheet) {
        System.out.println("{\"sheet\":" + name + ",\"row\":" + row.getRowNum() + ",\"height\":"
            + row.getHeight() + ",\"hidden\":" + row.getZeroHeight() + "}");
        for (Cell cell : row) {
          HSSFCellStyle style = (HSSFCellStyle) cell.getCellStyle();
          HSSFFont font = style.getFont(book);
          CellType type = cell.getCellType();
          String value = type == CellType.NUMERIC ? Double.toString(cell.getNumericCellValue())
              : type == CellType.BOOLEAN ? Boolean.toString(cell.getBooleanCellValue())
              : type == CellType.STRING ? quote(cell.getStringCellValue()) : "null";
          String formula = type == CellType.FORMULA ? quote(cell.getCellFormula()) : "null";
          System.out.println("{\"sheet\":" + name + ",\"cell\":\""
              + cell.getAddress().formatAsString() + "\",\"type\":\"" + type + "\",\"value\":"
              + value + ",\"formula\":" + formula + ",\"bold\":" + font.getBold()
              + ",\"format\":" + quote(style.getDataFormatString()) + "}");
        }
      }
    }
  }
}
