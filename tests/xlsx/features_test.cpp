// The sheet features' XML for the workbook package: for representative sheets,
// the exact fragment or part each feature becomes.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "../drawing/sample_images.h"
#include "tablirex/conditions.h"
#include "tablirex/format_views.h"
#include "tablirex/hyperlinks.h"
#include "tablirex/range.h"
#include "tablirex/validation.h"
#include "tablirex/workbook.h"
#include "tablirex/worksheet.h"
#include "tablirex/worksheets.h"
#include "xlsx/xlsx_parts.h"

namespace tablirex {
namespace {

using xlsx::TPackageState;
using xlsx::TSheetExtras;

std::string PartData(const TSheetExtras& x, std::string_view name) {
  for (const xlsx::TPart& p : x.parts)
    if (p.name == name) return p.data;
  return "(no part " + std::string(name) + ")";
}

std::string Rels(const TSheetExtras& x) {
  std::string s;
  for (const xlsx::TRelationship& r : x.relationships)
    s += r.id + " " + r.type.substr(r.type.rfind('/') + 1) + " " + r.target + (r.external ? " external" : "") + "\n";
  return s;
}

std::string Parts(const TSheetExtras& x) {
  std::string s;
  for (const xlsx::TPart& p : x.parts)
    s += p.name + " " + p.contentType + (p.defaultExtension ? " default" : "") + (p.store ? " stored" : "") + "\n";
  return s;
}

constexpr const char* kDecl = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";

TEST(XlsxFeatures, FragmentsAndParts) {
  struct Case {
    const char* name;
    std::function<void(TXLSWorkbook&, IXLSWorksheet&)> build;
    std::function<std::string(const TSheetExtras&, const TPackageState&)> take;
    std::string want;
  };
  const Case cases[] = {
      {"inline list, no drop-down, escaped prompt",
       [](TXLSWorkbook&, IXLSWorksheet& s) {
         Ref<IXLSValidation> v = s.Range("D2:D9")->GetValidation();
         ASSERT_EQ(v->Add(xlValidateList, xlValidAlertStop, xlBetween, "Yes,\"No\",A&B", ""), 1);
         v->SetInCellDropdown(false);
         v->SetInputTitle("Pick <one>");
         v->SetInputMessage("line\none");
         ASSERT_EQ(s.Range("F1")->GetValidation()->Add(xlValidateInputOnly, xlValidAlertStop, xlBetween, "", ""),
                   1);
       },
       [](const TSheetExtras& x, const TPackageState&) { return x.dataValidations; },
       "<dataValidations count=\"2\"><dataValidation type=\"list\" allowBlank=\"1\" showDropDown=\"1\" "
       "showInputMessage=\"1\" showErrorMessage=\"1\" promptTitle=\"Pick &lt;one&gt;\" prompt=\"line&#10;one\" "
       "sqref=\"D2:D9\"><formula1>\"Yes,\"\"No\"\",A&amp;B\"</formula1></dataValidation>"
       "<dataValidation allowBlank=\"1\" showInputMessage=\"1\" showErrorMessage=\"1\" sqref=\"F1\">"
       "</dataValidation></dataValidations>"},
      {"bounds with an operator, formulas with ',' in calls, alert texts",
       [](TXLSWorkbook&, IXLSWorksheet& s) {
         Ref<IXLSValidation> v = s.Range("E2:E9")->GetValidation();
         ASSERT_EQ(v->Add(xlValidateDate, xlValidAlertWarning, xlNotBetween, "=DATE(2024;1;1)", "DATE(2024,12,31)"),
                   1);
         v->SetIgnoreBlank(false);
         v->SetShowInput(false);
         v->SetErrorTitle("Date");
         v->SetErrorMessage("Not in \"2024\"");
         ASSERT_EQ(s.Range("G2:G3")->GetValidation()->Add(xlValidateTextLength, xlValidAlertInformation,
                                                          xlLessEqual, "LEN(\"a;b\")+5", ""),
                   1);
         ASSERT_EQ(s.Range("H2")->GetValidation()->Add(xlValidateCustom, xlValidAlertStop, xlGreater,
                                                       "=AND(H2>0;LEN(\"x;\")<5)", ""),
                   1);
       },
       [](const TSheetExtras& x, const TPackageState&) { return x.dataValidations; },
       "<dataValidations count=\"3\"><dataValidation type=\"date\" errorStyle=\"warning\" operator=\"notBetween\" "
       "showErrorMessage=\"1\" errorTitle=\"Date\" error=\"Not in &quot;2024&quot;\" sqref=\"E2:E9\">"
       "<formula1>DATE(2024,1,1)</formula1><formula2>DATE(2024,12,31)</formula2></dataValidation>"
       "<dataValidation type=\"textLength\" errorStyle=\"information\" operator=\"lessThanOrEqual\" "
       "allowBlank=\"1\" showInputMessage=\"1\" showErrorMessage=\"1\" sqref=\"G2:G3\">"
       "<formula1>LEN(\"a;b\")+5</formula1></dataValidation>"
       "<dataValidation type=\"custom\" allowBlank=\"1\" showInputMessage=\"1\" showErrorMessage=\"1\" "
       "sqref=\"H2\"><formula1>AND(H2&gt;0,LEN(\"x;\")&lt;5)</formula1></dataValidation></dataValidations>"},
      {"conditions: cell values and an expression, priorities across formats, one dxf per distinct style",
       [](TXLSWorkbook&, IXLSWorksheet& s) {
         Ref<IXLSFormatCondition> c = s.Range("B1:B3")->GetFormatConditions()->Add(xlCellValue, xlGreater, "150", "");
         c->GetFont()->SetBold(true);
         c->GetInterior()->SetColorIndex(3);
         c = s.Range("B1:B3")->GetFormatConditions()->Add(xlExpression, 0, "=MOD(ROW();2)=0", "");
         c->GetBorders()->GetBorder(7)->SetLineStyle(1);
         c = s.Range("H2:H4")->GetFormatConditions()->Add(xlCellValue, xlBetween, "=$B$1", "=B2*2");
         c->GetFont()->SetBold(true);
         c->GetInterior()->SetColorIndex(3);
       },
       [](const TSheetExtras& x, const TPackageState& st) {
         std::string s = x.conditionalFormatting;
         for (const std::string& d : st.dxfs) s += "\n" + d;
         return s;
       },
       "<conditionalFormatting sqref=\"B1:B3\"><cfRule type=\"cellIs\" dxfId=\"0\" priority=\"1\" stopIfTrue=\"1\" "
       "operator=\"greaterThan\"><formula>150</formula></cfRule><cfRule type=\"expression\" dxfId=\"1\" "
       "priority=\"2\" stopIfTrue=\"1\"><formula>MOD(ROW(),2)=0</formula></cfRule></conditionalFormatting>"
       "<conditionalFormatting sqref=\"H2:H4\"><cfRule type=\"cellIs\" dxfId=\"0\" priority=\"3\" stopIfTrue=\"1\" "
       "operator=\"between\"><formula>$B$1</formula><formula>B2*2</formula></cfRule></conditionalFormatting>\n"
       "<dxf><font><b/></font><fill><patternFill patternType=\"solid\"><fgColor rgb=\"FFFF0000\"/>"
       "<bgColor rgb=\"FFFF0000\"/></patternFill></fill></dxf>\n"
       "<dxf><border><left style=\"thin\"><color indexed=\"64\"/></left></border></dxf>"},
      {"hyperlinks: web with tip and text, a place, a file, a web page's part",
       [](TXLSWorkbook&, IXLSWorksheet& s) {
         Ref<IXLSHyperlinks> h = s.GetHyperlinks();
         ASSERT_TRUE(h->Add(s.Range("A1").get(), "https://example.org/a?b=1&c=2", "", "Visit \"us\"", "Site"));
         ASSERT_TRUE(h->Add(s.Range("A2:B3").get(), "", "'Sheet 2'!A1", "", ""));
         ASSERT_TRUE(h->Add(s.Range("A4").get(), "report.xls", "", "", ""));
         ASSERT_TRUE(h->Add(s.Range("A5").get(), "https://example.org/", "top", "", ""));
         ASSERT_TRUE(h->Add(s.Range("A6").get(), "C:\\docs\\a.xls", "", "", "local"));
         ASSERT_TRUE(h->Add(s.Range("A7").get(), "\\\\server\\share\\b.xls", "", "", "shared"));
       },
       [](const TSheetExtras& x, const TPackageState&) { return x.hyperlinks + "\n" + Rels(x); },
       "<hyperlinks><hyperlink ref=\"A1\" r:id=\"rId3\" tooltip=\"Visit &quot;us&quot;\" display=\"Site\"/>"
       "<hyperlink ref=\"A2:B3\" location=\"'Sheet 2'!A1\" display=\"'Sheet 2'!A1\"/>"
       "<hyperlink ref=\"A4\" r:id=\"rId4\" display=\"report.xls\"/>"
       "<hyperlink ref=\"A5\" r:id=\"rId5\" location=\"top\" display=\"https://example.org/\"/>"
       "<hyperlink ref=\"A6\" r:id=\"rId6\" display=\"local\"/><hyperlink ref=\"A7\" r:id=\"rId7\" display=\"shared\"/>"
       "</hyperlinks>\n"
       "rId3 hyperlink https://example.org/a?b=1&c=2 external\nrId4 hyperlink report.xls external\n"
       "rId5 hyperlink https://example.org/ external\nrId6 hyperlink file:///C:\\docs\\a.xls external\n"
       "rId7 hyperlink file:///\\\\server\\share\\b.xls external\n"},
      {"autofilter given as its header reaches the last row",
       [](TXLSWorkbook&, IXLSWorksheet& s) {
         s.Range("A1:C1")->SetValue(TVariant(1.0));
         s.Range("B7")->SetValue(TVariant(2.0));
         ASSERT_EQ(s.Range("A1:C1")->AutoFilter(), 1);
       },
       [](const TSheetExtras& x, const TPackageState&) { return x.autoFilter; }, "<autoFilter ref=\"A1:C7\"/>"},
      {"comments: authors once, texts escaped, the legacy drawing shows the visible one",
       [](TXLSWorkbook& wb, IXLSWorksheet& s) {
         wb.SetCommentAuthor("Ann & Co");
         ASSERT_EQ(s.Range("B2")->AddComment("a<b\r\nc\x01_x0041_"), 1);
         ASSERT_EQ(s.Range("A1")->AddComment("shown", true), 1);
       },
       [](const TSheetExtras& x, const TPackageState& st) {
         const std::string vml = PartData(x, "xl/drawings/vmlDrawing1.vml");
         const auto first = vml.find("<v:shape ");
         return x.legacyDrawing + "\n" + Rels(x) + Parts(x) + PartData(x, "xl/comments1.xml") + "\n" +
                vml.substr(vml.find("<o:idmap"), vml.find("/>", vml.find("<o:idmap")) + 2 - vml.find("<o:idmap")) +
                "\n" + vml.substr(vml.find("<x:ClientData", first), vml.find("</x:ClientData>", first) + 15 -
                                                                      vml.find("<x:ClientData", first)) +
                "\n" + std::to_string(st.nextShapeBlock) + " " + std::to_string(st.nextComments);
       },
       "<legacyDrawing r:id=\"rId4\"/>\nrId3 comments ../comments1.xml\n"
       "rId4 vmlDrawing ../drawings/vmlDrawing1.vml\n"
       "xl/comments1.xml application/vnd.openxmlformats-officedocument.spreadsheetml.comments+xml\n"
       "xl/drawings/vmlDrawing1.vml application/vnd.openxmlformats-officedocument.vmlDrawing default\n" +
           std::string(kDecl) +
           "<comments xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><authors>"
           "<author>Ann &amp; Co</author></authors><commentList><comment ref=\"A1\" authorId=\"0\"><text>"
           "<t xml:space=\"preserve\">shown</t></text></comment><comment ref=\"B2\" authorId=\"0\"><text>"
           "<t xml:space=\"preserve\">a&lt;b\nc_x0001__x005F_x0041_</t></text></comment></commentList></comments>\n"
           "<o:idmap v:ext=\"edit\" data=\"1\"/>\n"
           "<x:ClientData ObjectType=\"Note\"><x:MoveWithCells/><x:SizeWithCells/><x:Anchor>1, 15, 0, 10, 3, 15, "
           "4, 4</x:Anchor><x:AutoFill>False</x:AutoFill><x:Row>0</x:Row><x:Column>0</x:Column><x:Visible/>"
           "</x:ClientData>\n2 2"},
      {"1500 comments take two blocks of shape ids",
       [](TXLSWorkbook&, IXLSWorksheet& s) {
         for (int r = 1; r <= 1500; ++r) ASSERT_EQ(s.Range(("A" + std::to_string(r)).c_str())->AddComment("c"), 1);
       },
       [](const TSheetExtras& x, const TPackageState& st) {
         const std::string vml = PartData(x, "xl/drawings/vmlDrawing1.vml");
         const auto last = vml.rfind("<v:shape id=");
         return vml.substr(vml.find("<o:idmap"), vml.find("/>", vml.find("<o:idmap")) + 2 - vml.find("<o:idmap")) +
                " " + vml.substr(last, vml.find(' ', last + 10) - last) + " " + std::to_string(st.nextShapeBlock);
       },
       "<o:idmap v:ext=\"edit\" data=\"1,2\"/> <v:shape id=\"_x0000_s2524\" 3"},
      {"pictures: one image shown twice is stored once, anchors in EMU",
       [](TXLSWorkbook&, IXLSWorksheet& s) {
         ASSERT_EQ(s.InsertPicture(testing::MakePng(8, 4), "B3", 10, 70, 2.0, 1.0), 1);
         ASSERT_EQ(s.InsertPicture(testing::MakePng(8, 4), "D9"), 1);
         ASSERT_EQ(s.InsertPicture(testing::MakeBmp(2, 2), "A1"), 1);
       },
       [](const TSheetExtras& x, const TPackageState& st) {
         const std::string d = PartData(x, "xl/drawings/drawing1.xml");
         const auto a = d.find("<xdr:oneCellAnchor>");
         std::string bmp = PartData(x, "xl/media/image2.bmp");
         return x.drawing + "\n" + Rels(x) + Parts(x) +
                d.substr(a, d.find("</xdr:oneCellAnchor>") + 20 - a) + "\n" +
                PartData(x, "xl/drawings/_rels/drawing1.xml.rels") + "\n" + bmp.substr(0, 2) + " " +
                std::to_string(bmp.size()) + " " + std::to_string(st.imagesByDigest.size());
       },
       "<drawing r:id=\"rId3\"/>\nrId3 drawing ../drawings/drawing1.xml\n"
       "xl/media/image1.png image/png default stored\nxl/media/image2.bmp image/bmp default\n"
       "xl/drawings/drawing1.xml application/vnd.openxmlformats-officedocument.drawing+xml\n"
       "xl/drawings/_rels/drawing1.xml.rels application/vnd.openxmlformats-package.relationships+xml default\n"
       "<xdr:oneCellAnchor><xdr:from><xdr:col>1</xdr:col><xdr:colOff>95250</xdr:colOff><xdr:row>2</xdr:row>"
       "<xdr:rowOff>0</xdr:rowOff></xdr:from><xdr:ext cx=\"152400\" cy=\"38100\"/><xdr:pic><xdr:nvPicPr>"
       "<xdr:cNvPr id=\"2\" name=\"Picture 1\"/><xdr:cNvPicPr><a:picLocks noChangeAspect=\"1\"/></xdr:cNvPicPr>"
       "</xdr:nvPicPr><xdr:blipFill><a:blip xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/"
       "relationships\" r:embed=\"rId1\"/><a:stretch><a:fillRect/></a:stretch></xdr:blipFill><xdr:spPr><a:xfrm>"
       "<a:off x=\"0\" y=\"0\"/><a:ext cx=\"152400\" cy=\"38100\"/></a:xfrm><a:prstGeom prst=\"rect\"><a:avLst/>"
       "</a:prstGeom></xdr:spPr></xdr:pic><xdr:clientData/></xdr:oneCellAnchor>\n" +
           std::string(kDecl) +
           "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
           "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
           "image\" Target=\"../media/image1.png\"/><Relationship Id=\"rId2\" Type=\"http://schemas.openxmlformats."
           "org/officeDocument/2006/relationships/image\" Target=\"../media/image2.bmp\"/></Relationships>\n"
           "BM 70 2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TXLSWorkbook wb;
    IXLSWorksheet& s = *wb.GetWorksheets()->Add();
    c.build(wb, s);
    TPackageState state;
    TSheetExtras out;
    std::string error;
    ASSERT_TRUE(xlsx::WriteSheetExtras(wb, s, 1, 3, state, out, error)) << error;
    EXPECT_EQ(c.take(out, state), c.want);
  }
}

TEST(XlsxFeatures, AListOnADeletedSheetFailsTheSheet) {
  TXLSWorkbook wb;
  IXLSWorksheet& s = *wb.GetWorksheets()->Add();
  wb.GetWorksheets()->Add()->SetWorkSheetName("Lists");
  ASSERT_EQ(s.Range("A1:A3")->GetValidation()->Add(xlValidateList, xlValidAlertStop, xlBetween, "=Lists!$A$1:$A$3", ""),
            1);
  wb.GetWorksheets()->Delete(2);
  TPackageState state;
  TSheetExtras out;
  std::string error;
  EXPECT_FALSE(xlsx::WriteSheetExtras(wb, s, 1, 1, state, out, error));
  EXPECT_EQ(error, "validation of A1:A3: formula \"=Lists!$A$1:$A$3\": the formula names sheet \"Lists\", which the "
                   "workbook does not have");
}

}  // namespace
}  // namespace tablirex
