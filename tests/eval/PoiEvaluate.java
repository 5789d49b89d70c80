// Prints, for every formula cell of a sheet of a BIFF8 workbook, the result the
// file stores and the one Apache POI's evaluator computes, one JSON object a line.
import org.apache.poi.hssf.usermodel.*;
import org.apache.poi.ss.usermodel.*;

public class PoiEvaluate {
  static String q(String s) { return PoiJson.quote(s); }

  static String value(CellValue v) {
    if (v == null) return "null";
    switch (v.getCellType()) {
      case NUMERIC: return "{\"n\":" + (Double.isFinite(v.getNumberValue()) ? Double.toString(v.getNumberValue()) : "null") + "}";
      case STRING: return "{\"s\":" + q(v.getStringValue()) + "}";
      case BOOLEAN: return "{\"b\":" + v.getBooleanValue() + "}";
      case ERROR: return "{\"e\":" + q(org.apache.poi.ss.usermodel.FormulaError.forInt(v.getErrorValue()).getString()) + "}";
      default: return "null";
    }
  }

  public static void main(String[] args) throws Exception {
    HSSFWorkbook book = PoiJson.hssf(args[0]);
    FormulaEvaluator eval = book.getCreationHelper().createFormulaEvaluator();
    HSSFSheet sheet = book.getSheet(args[1]);
    for (Row row : sheet)
      for (Cell cell : row) {
        if (cell.getCellType() != CellType.FORMULA) continue;
        String computed;
        try {
          computed = value(eval.evaluate(cell));
        } catch (Throwable t) {
          computed = "{\"unsupported\":" + q(t.getClass().getSimpleName() + ": " + t.getMessage()) + "}";
        }
        System.out.println("{\"row\":" + cell.getRowIndex() + ",\"col\":" + cell.getColumnIndex()
            + ",\"computed\":" + computed + "}");
      }
  }
}
