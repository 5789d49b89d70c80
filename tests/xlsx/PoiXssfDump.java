// Prints what Apache POI's XSSF reads from an .xlsx workbook, one JSON object a
// line: per sheet its state, merged areas, frozen pane and print setup, then a
// "cell" line for each cell (type, value or cached value, formula, bold, number
// format, fill colour); then the defined names.
import java.io.File;
import org.apache.poi.ss.usermodel.*;
import org.apache.poi.ss.util.CellRangeAddress;
import org.apache.poi.ss.util.PaneInformation;
import org.apache.poi.xssf.usermodel.*;

public class PoiXssfDump {
  static String quote(String s) { return PoiJson.quote(s); }

  public static void main(String[] args) throws Exception {
    XSSFWorkbook book = new XSSFWorkbook(new File(args[0]));
    for (int s = 0; s < book.getNumberOfSheets(); ++s) {
      XSSFSheet sheet = book.getSheetAt(s);
      String name = quote(sheet.getSheetName());
      PaneInformation pane = sheet.getPaneInformation();
      PrintSetup print = sheet.getPrintSetup();
      System.out.println("{\"sheet\":" + name + ",\"state\":\"" + book.getSheetVisibility(s) + "\",\"frozen\":"
          + (pane != null && pane.isFreezePane() ? "[" + pane.getHorizontalSplitPosition() + ","
              + pane.getVerticalSplitPosition() + "]" : "null")
          + ",\"landscape\":" + print.getLandscape() + ",\"protected\":" + sheet.getProtect()
          + ",\"rowBreaks\":" + java.util.Arrays.toString(sheet.getRowBreaks())
          + ",\"header\":" + quote(sheet.getHeader().getCenter()) + "}");
      for (CellRangeAddress area : sheet.getMergedRegions())
        System.out.println("{\"sheet\":" + name + ",\"merged\":\"" + area.formatAsString() + "\"}");
      for (Row row : sheet) {
        for (Cell cell : row) {
          XSSFCellStyle style = (XSSFCellStyle) cell.getCellStyle();
          CellType type = cell.getCellType();
          CellType shown = type == CellType.FORMULA ? cell.getCachedFormulaResultType() : type;
          String value = shown == CellType.NUMERIC ? Double.toString(cell.getNumericCellValue())
              : shown == CellType.BOOLEAN ? Boolean.toString(cell.getBooleanCellValue())
              : shown == CellType.STRING ? quote(cell.getStringCellValue()) : "null";
          XSSFColor fill = style.getFillForegroundXSSFColor();
          System.out.println("{\"sheet\":" + name + ",\"cell\":\"" + cell.getAddress().formatAsString()
              + "\",\"type\":\"" + type + "\",\"value\":" + value + ",\"formula\":"
              + (type == CellType.FORMULA ? quote(cell.getCellFormula()) : "null")
              + ",\"bold\":" + style.getFont().getBold() + ",\"format\":" + quote(style.getDataFormatString())
              + ",\"fill\":" + (fill == null || fill.getARGBHex() == null ? "null" : quote(fill.getARGBHex())) + "}");
        }
      }
    }
    for (XSSFName n : book.getAllNames())
      System.out.println("{\"name\":" + quote(n.getNameName()) + ",\"sheet\":" + n.getSheetIndex()
          + ",\"refersTo\":" + quote(n.getRefersToFormula()) + "}");
  }
}
