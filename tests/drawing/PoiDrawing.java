// Prints what Apache POI sees of a workbook's drawing layer, one JSON object a
// line: every comment (sheet, cell, author, text, visible), every picture of
// the workbook's image store (format, size, MD5 of the bytes), every shape of
// each sheet's drawing (kind, anchor), and every name (name, hidden, formula).
import java.security.MessageDigest;
import java.util.Map;
import org.apache.poi.hssf.usermodel.*;
import org.apache.poi.ss.util.CellAddress;

public class PoiDrawing {
    static String q(String s) { return PoiJson.quote(s); }

    public static void main(String[] args) throws Exception {
        try (HSSFWorkbook wb = PoiJson.hssf(args[0])) {
            for (HSSFPictureData p : wb.getAllPictures()) {
                StringBuilder hex = new StringBuilder();
                for (byte x : MessageDigest.getInstance("MD5").digest(p.getData())) hex.append(String.format("%02x", x));
                System.out.println("{\"picture\": " + q(p.suggestFileExtension()) + ", \"size\": " + p.getData().length
                                   + ", \"md5\": " + q(hex.toString()) + "}");
            }
            for (int i = 0; i < wb.getNumberOfNames(); ++i) {
                HSSFName n = wb.getNameAt(i);
                System.out.println("{\"name\": " + q(n.getNameName()) + ", \"function\": " + n.isFunctionName()
                                   + ", \"formula\": " + q(n.getRefersToFormula()) + ", \"scope\": " + n.getSheetIndex() + "}");
            }
            for (int s = 0; s < wb.getNumberOfSheets(); ++s) {
                HSSFSheet sheet = wb.getSheetAt(s);
                String name = q(sheet.getSheetName());
                for (Map.Entry<CellAddress, HSSFComment> e : sheet.getCellComments().entrySet()) {
                    HSSFComment c = e.getValue();
                    System.out.println("{\"sheet\": " + name + ", \"comment\": " + q(e.getKey().formatAsString())
                                       + ", \"author\": " + q(c.getAuthor()) + ", \"text\": " + q(c.getString().getString())
                                       + ", \"visible\": " + c.isVisible() + "}");
                }
                HSSFPatriarch patriarch = sheet.getDrawingPatriarch();
                if (patriarch == null) continue;
                for (HSSFShape shape : patriarch.getChildren()) {
                    String kind = shape instanceof HSSFComment ? "comment"
                                : shape instanceof HSSFPicture ? "picture"
                                : shape instanceof HSSFCombobox ? "dropdown" : shape.getClass().getSimpleName();
                    HSSFClientAnchor a = (HSSFClientAnchor) shape.getAnchor();
                    String extra = shape instanceof HSSFPicture
                        ? ", \"index\": " + ((HSSFPicture) shape).getPictureIndex() : "";
                    System.out.println("{\"sheet\": " + name + ", \"shape\": " + q(kind) + ", \"anchor\": ["
                                       + a.getCol1() + ", " + a.getRow1() + ", " + a.getCol2() + ", " + a.getRow2() + "]"
                                       + extra + "}");
                }
            }
        }
    }
}
