// Prints what Apache POI reads of a workbook's outline, rich text, hidden sheets,
// tab colours and document properties, one JSON object a line:
//   {"file", "summary": {...}, "docsummary": {...}}          HPSF, any version
//   {"file", "sheet", "hidden", "veryHidden", "sumsBelow", "sumsRight", "columnLevels"}
//   {"file", "sheet", "row", "level", "hidden"}              rows with a level or hidden
//   {"file", "sheetIndex", "collapsedRow"}                    ROW records marked collapsed
//   {"file", "sheet", "cell", "text", "runs": [[first, bold, italic, colour], ...]}
//   {"file", "sheet", "tabColor"}                             SHEETEXT, from POI's records
// Excel 5 files give only their properties: POI reads the Excel 97 form alone.
import java.io.FileInputStream;
import java.util.List;
import org.apache.poi.hpsf.DocumentSummaryInformation;
import org.apache.poi.hpsf.PropertySetFactory;
import org.apache.poi.hpsf.SummaryInformation;
import org.apache.poi.hssf.record.*;
import org.apache.poi.hssf.usermodel.*;
import org.apache.poi.poifs.filesystem.DirectoryNode;
import org.apache.poi.poifs.filesystem.POIFSFileSystem;
import org.apache.poi.ss.usermodel.*;

public class PoiSheetFeatures {
  static String q(String s) { return PoiJson.quote(s, true); }

  public static void main(String[] args) throws Exception {
    for (String path : args) {
      String file = q(new java.io.File(path).getName());
      try (POIFSFileSystem fs = new POIFSFileSystem(new FileInputStream(path))) {
        DirectoryNode root = fs.getRoot();
        StringBuilder out = new StringBuilder("{\"file\":" + file);
        if (root.hasEntry(SummaryInformation.DEFAULT_STREAM_NAME)) {
          SummaryInformation si = (SummaryInformation) PropertySetFactory.create(
              root.createDocumentInputStream(SummaryInformation.DEFAULT_STREAM_NAME));
          out.append(",\"summary\":{\"title\":" + q(si.getTitle()) + ",\"subject\":" + q(si.getSubject())
              + ",\"author\":" + q(si.getAuthor()) + ",\"keywords\":" + q(si.getKeywords())
              + ",\"comments\":" + q(si.getComments()) + ",\"created\":"
              + (si.getCreateDateTime() == null ? "null" : Long.toString(si.getCreateDateTime().getTime()))
              + ",\"saved\":"
              + (si.getLastSaveDateTime() == null ? "null" : Long.toString(si.getLastSaveDateTime().getTime()))
              + ",\"codepage\":" + si.getFirstSection().getCodepage() + "}");
        }
        if (root.hasEntry(DocumentSummaryInformation.DEFAULT_STREAM_NAME)) {
          DocumentSummaryInformation di = (DocumentSummaryInformation) PropertySetFactory.create(
              root.createDocumentInputStream(DocumentSummaryInformation.DEFAULT_STREAM_NAME));
          out.append(",\"docsummary\":{\"company\":" + q(di.getCompany()) + ",\"manager\":" + q(di.getManager())
              + ",\"category\":" + q(di.getCategory()) + "}");
        }
        System.out.println(out.append("}"));
        if (!root.hasEntry("Workbook")) continue;

        // Every record of the stream, as POI parses them: SHEETEXT by sheet.
        List<org.apache.poi.hssf.record.Record> records = RecordFactory.createRecords(root.createDocumentInputStream("Workbook"));
        int substream = -1;
        for (org.apache.poi.hssf.record.Record r : records) {
          if (r instanceof BOFRecord) ++substream;
          if (r instanceof RowRecord && ((RowRecord) r).getColapsed())
            System.out.println("{\"file\":" + file + ",\"sheetIndex\":" + (substream - 1) + ",\"collapsedRow\":"
                + ((RowRecord) r).getRowNumber() + "}");
          if (r.getSid() == 0x0862) {
            byte[] data = r.serialize();
            System.out.println("{\"file\":" + file + ",\"sheetIndex\":" + (substream - 1) + ",\"tabColor\":"
                + (data[4 + 16] & 0x7F) + "}");
          }
        }
        HSSFWorkbook book = new HSSFWorkbook(fs);
        System.out.println("{\"file\":" + file + ",\"active\":" + book.getActiveSheetIndex() + "}");
        for (int s = 0; s < book.getNumberOfSheets(); ++s) {
          HSSFSheet sheet = book.getSheetAt(s);
          String name = q(sheet.getSheetName());
          StringBuilder levels = new StringBuilder("[");
          for (int c = 0; c < 8; ++c) levels.append(c > 0 ? "," : "").append(sheet.getColumnOutlineLevel(c));
          System.out.println("{\"file\":" + file + ",\"sheet\":" + name + ",\"hidden\":" + book.isSheetHidden(s)
              + ",\"veryHidden\":" + book.isSheetVeryHidden(s) + ",\"sumsBelow\":" + sheet.getRowSumsBelow()
              + ",\"sumsRight\":" + sheet.getRowSumsRight() + ",\"columnLevels\":" + levels + "]}");
          for (Row row : sheet) {
            HSSFRow r = (HSSFRow) row;
            if (r.getOutlineLevel() > 0 || r.getZeroHeight())
              System.out.println("{\"file\":" + file + ",\"sheet\":" + name + ",\"row\":" + r.getRowNum()
                  + ",\"level\":" + r.getOutlineLevel() + ",\"hidden\":" + r.getZeroHeight() + "}");
            for (Cell cell : row) {
              if (cell.getCellType() != CellType.STRING) continue;
              HSSFRichTextString rt = (HSSFRichTextString) cell.getRichStringCellValue();
              if (rt.numFormattingRuns() == 0) continue;
              StringBuilder runs = new StringBuilder("[");
              for (int i = 0; i < rt.numFormattingRuns(); ++i) {
                HSSFFont f = book.getFontAt(rt.getFontOfFormattingRun(i));
                runs.append(i > 0 ? "," : "").append("[" + rt.getIndexOfFormattingRun(i) + "," + f.getBold()
                    + "," + f.getItalic() + "," + f.getColor() + "]");
              }
              System.out.println("{\"file\":" + file + ",\"sheet\":" + name + ",\"cell\":\""
                  + cell.getAddress().formatAsString() + "\",\"text\":" + q(rt.getString()) + ",\"runs\":"
                  + runs + "]}");
            }
          }
        }
      }
    }
  }
}
