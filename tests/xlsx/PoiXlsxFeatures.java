// Prints what Apache POI's .xlsx reader sees of a workbook's sheet features, one
// JSON object a line: comments, hyperlinks, data validations, conditional
// formats (with their styles), pictures with their anchors, the autofilter, and
// each text and number cell.
import java.io.File;
import org.apache.poi.ss.usermodel.*;
import org.apache.poi.ss.util.CellAddress;
import org.apache.poi.ss.util.CellRangeAddress;
import org.apache.poi.xssf.usermodel.*;

public class PoiXlsxFeatures {
  static String q(String s) { return PoiJson.quote(s); }

  static String rgb(XSSFColor c) {
    return c == null || c.getARGBHex() == null ? "null" : q(c.getARGBHex());
  }

  public static void main(String[] args) throws Exception {
    XSSFWorkbook book = new XSSFWorkbook(new File(args[0]));
    for (int s = 0; s < book.getNumberOfSheets(); ++s) {
      XSSFSheet sheet = book.getSheetAt(s);
      String name = q(sheet.getSheetName());
      String head = "{\"sheet\":" + name + ",";
      for (Row row : sheet)
        for (Cell cell : row) {
          String v = cell.getCellType() == CellType.STRING ? q(cell.getStringCellValue())
              : cell.getCellType() == CellType.NUMERIC ? String.valueOf(cell.getNumericCellValue()) : null;
          if (v != null) System.out.println(head + "\"cell\":" + q(cell.getAddress().formatAsString()) + ",\"value\":" + v + "}");
        }
      for (java.util.Map.Entry<CellAddress, XSSFComment> e : sheet.getCellComments().entrySet()) {
        XSSFComment c = e.getValue();
        System.out.println(head + "\"comment\":" + q(e.getKey().formatAsString()) + ",\"author\":" + q(c.getAuthor())
            + ",\"text\":" + q(c.getString().getString()) + ",\"visible\":" + c.isVisible() + "}");
      }
      for (XSSFHyperlink h : sheet.getHyperlinkList())
        System.out.println(head + "\"link\":" + q(h.getCellRef()) + ",\"type\":" + q(h.getType().toString())
            + ",\"address\":" + q(h.getAddress()) + ",\"label\":" + q(h.getLabel()) + ",\"tooltip\":"
            + q(h.getTooltip()) + "}");
      for (XSSFDataValidation v : sheet.getDataValidations()) {
        DataValidationConstraint c = v.getValidationConstraint();
        String[] list = c.getExplicitListValues();
        System.out.println(head + "\"validation\":" + PoiJson.regions(v.getRegions().getCellRangeAddresses())
            + ",\"type\":" + c.getValidationType() + ",\"operator\":" + c.getOperator() + ",\"formula1\":"
            + q(c.getFormula1()) + ",\"formula2\":" + q(c.getFormula2()) + ",\"list\":"
            + q(list == null ? null : String.join(",", list)) + ",\"prompt\":" + q(v.getPromptBoxText())
            + ",\"prompt_title\":" + q(v.getPromptBoxTitle()) + ",\"error\":" + q(v.getErrorBoxText())
            + ",\"error_style\":" + v.getErrorStyle() + ",\"empty_ok\":" + v.getEmptyCellAllowed()
            + ",\"suppress_arrow\":" + v.getSuppressDropDownArrow() + "}");
      }
      XSSFSheetConditionalFormatting cf = sheet.getSheetConditionalFormatting();
      for (int i = 0; i < cf.getNumConditionalFormattings(); ++i) {
        XSSFConditionalFormatting f = cf.getConditionalFormattingAt(i);
        for (int k = 0; k < f.getNumberOfRules(); ++k) {
          XSSFConditionalFormattingRule r = f.getRule(k);
          XSSFFontFormatting font = r.getFontFormatting();
          XSSFPatternFormatting fill = r.getPatternFormatting();
          XSSFBorderFormatting border = r.getBorderFormatting();
          System.out.println(head + "\"condition\":" + PoiJson.regions(f.getFormattingRanges())
              + ",\"type\":" + r.getConditionType().id + ",\"operator\":" + r.getComparisonOperation()
              + ",\"formula1\":" + q(r.getFormula1()) + ",\"formula2\":" + q(r.getFormula2())
              + ",\"priority\":" + r.getPriority()
              + ",\"bold\":" + (font != null && font.isBold())
              + ",\"fill\":" + (fill == null ? "null" : rgb((XSSFColor) fill.getFillBackgroundColorColor()))
              + ",\"border\":" + (border == null ? -1 : border.getBorderLeft().getCode()) + "}");
        }
      }
      XSSFDrawing drawing = sheet.getDrawingPatriarch();
      if (drawing != null)
        for (XSSFShape shape : drawing.getShapes())
          if (shape instanceof XSSFPicture) {
            XSSFPicture p = (XSSFPicture) shape;
            XSSFClientAnchor a = p.getClientAnchor();
            XSSFPictureData d = p.getPictureData();
            System.out.println(head + "\"picture\":" + q(new CellAddress(a.getRow1(), a.getCol1()).formatAsString())
                + ",\"dx\":" + a.getDx1() + ",\"dy\":" + a.getDy1() + ",\"ext\":" + q(d.suggestFileExtension())
                + ",\"bytes\":" + d.getData().length + ",\"part\":" + q(d.getPackagePart().getPartName().getName()) + "}");
          }
      // The schema classes at hand lack the autofilter's own; its element is read from the sheet's XML.
      java.util.regex.Matcher m = java.util.regex.Pattern.compile("<(?:\\w+:)?autoFilter ref=\"([^\"]+)\"")
          .matcher(sheet.getCTWorksheet().xmlText());
      if (m.find()) System.out.println(head + "\"autofilter\":" + q(m.group(1)) + "}");
    }
  }
}
