// Prints what Apache POI reads of a BIFF8 workbook's defined names, hyperlinks,
// data validations and conditional formats, one JSON object a line, and the
// values its evaluator computes for the formula cells.
import org.apache.poi.hssf.usermodel.*;
import org.apache.poi.ss.usermodel.*;
import org.apache.poi.ss.util.CellRangeAddress;

public class PoiExtras {
  static String q(String s) { return PoiJson.quote(s); }

  public static void main(String[] args) throws Exception {
    HSSFWorkbook book = PoiJson.hssf(args[0]);
    for (Name n : book.getAllNames())
      System.out.println("{\"name\":" + q(n.getNameName()) + ",\"refers\":" + q(n.getRefersToFormula())
          + ",\"sheet\":" + n.getSheetIndex() + "}");
    FormulaEvaluator eval = book.getCreationHelper().createFormulaEvaluator();
    for (int s = 0; s < book.getNumberOfSheets(); ++s) {
      HSSFSheet sheet = book.getSheetAt(s);
      String name = q(sheet.getSheetName());
      for (HSSFHyperlink h : sheet.getHyperlinkList())
        System.out.println("{\"sheet\":" + name + ",\"link\":" + q(new CellRangeAddress(h.getFirstRow(),
            h.getLastRow(), h.getFirstColumn(), h.getLastColumn()).formatAsString()) + ",\"address\":"
            + q(h.getAddress()) + ",\"label\":" + q(h.getLabel()) + ",\"type\":" + q(h.getType().toString()) + "}");
      for (HSSFDataValidation v : sheet.getDataValidations()) {
        DataValidationConstraint c = v.getValidationConstraint();
        String[] list = c.getExplicitListValues();
        System.out.println("{\"sheet\":" + name + ",\"validation\":"
            + PoiJson.regions(v.getRegions().getCellRangeAddresses())
            + ",\"type\":" + c.getValidationType() + ",\"operator\":" + c.getOperator() + ",\"formula1\":"
            + q(c.getFormula1()) + ",\"formula2\":" + q(c.getFormula2()) + ",\"list\":"
            + q(list == null ? null : String.join(",", list)) + ",\"prompt\":" + q(v.getPromptBoxText())
            + ",\"error_style\":" + v.getErrorStyle() + ",\"v1\":" + ((DVConstraint) c).getValue1()
            + ",\"v2\":" + ((DVConstraint) c).getValue2() + "}");
      }
      HSSFSheetConditionalFormatting cf = sheet.getSheetConditionalFormatting();
      for (int i = 0; i < cf.getNumConditionalFormattings(); ++i) {
        HSSFConditionalFormatting f = cf.getConditionalFormattingAt(i);
        for (int k = 0; k < f.getNumberOfRules(); ++k) {
          HSSFConditionalFormattingRule r = f.getRule(k);
          HSSFFontFormatting font = r.getFontFormatting();
          HSSFPatternFormatting fill = r.getPatternFormatting();
          HSSFBorderFormatting border = r.getBorderFormatting();
          System.out.println("{\"sheet\":" + name + ",\"condition\":" + PoiJson.regions(f.getFormattingRanges())
              + ",\"type\":" + r.getConditionType().id + ",\"operator\":" + r.getComparisonOperation()
              + ",\"formula1\":" + q(r.getFormula1()) + ",\"formula2\":" + q(r.getFormula2())
              + ",\"bold\":" + (font != null && font.isBold()) + ",\"fill\":"
              + (fill == null ? -1 : fill.getFillBackgroundColor()) + ",\"border\":"
              + (border == null ? -1 : border.getBorderLeft().getCode()) + "}");
        }
      }
      for (Row row : sheet)
        for (Cell cell : row)
          if (cell.getCellType() == CellType.FORMULA)
            System.out.println("{\"sheet\":" + name + ",\"cell\":\"" + cell.getAddress().formatAsString()
                + "\",\"formula\":" + q(cell.getCellFormula()) + ",\"value\":"
                + q(eval.evaluate(cell).formatAsString()) + "}");
    }
  }
}
