#pragma once

namespace kavo {

// The page's style sheet: a readable screen layout and A4 print rules that keep every picture,
// table and warning box whole on one page.
inline constexpr const char* kReportStyle = R"(
@page { size: A4; margin: 14mm 13mm 16mm 13mm; }
* { box-sizing: border-box; }
html { background: #f3f3f1; }
body { font-family: "DejaVu Sans", "Liberation Sans", Arial, sans-serif; font-size: 10.5pt; line-height: 1.4;
  color: #111; background: #fff; max-width: 200mm; margin: 0 auto; padding: 10mm 12mm; }
h1 { font-size: 17pt; margin: 0 0 2mm 0; }
h2 { font-size: 13pt; margin: 7mm 0 2.5mm 0; padding-bottom: 1mm; border-bottom: 1px solid #999;
  break-after: avoid; page-break-after: avoid; }
h3 { font-size: 11pt; margin: 4mm 0 1.5mm 0; break-after: avoid; page-break-after: avoid; }
p { margin: 1.5mm 0; }
.meta { color: #444; }
table { border-collapse: collapse; margin: 1mm 0 2mm 0; width: 100%; }
th, td { border: 1px solid #bbb; padding: 1.2mm 2.5mm; text-align: left; vertical-align: top; }
th { background: #eef0f3; font-weight: 600; }
td.number { font-variant-numeric: tabular-nums; white-space: nowrap; }
tr, .block, figure, .warnings, .note { break-inside: avoid; page-break-inside: avoid; }
.key { width: 52%; }
.result td.number { font-size: 12pt; font-weight: bold; }
.path { color: #444; font-size: 8.5pt; word-break: break-all; }
.hash { font-family: "DejaVu Sans Mono", "Liberation Mono", monospace; font-size: 8pt; word-break: break-all; }
.problem { color: #b00000; }
.suspect { color: #b00000; font-weight: bold; }
.warnings { border: 2px solid #c46a00; background: #fff3e0; padding: 2mm 4mm; margin: 4mm 0; }
.warnings h2 { border: none; margin: 0 0 1mm 0; font-size: 12pt; color: #8a4600; }
.warnings ul { margin: 0; padding-left: 5mm; }
.nowarnings { border: 1px solid #7aa36f; background: #eef7ea; padding: 1.5mm 4mm; margin: 4mm 0; }
.note { border-left: 4px solid #888; background: #f4f4f4; padding: 1.5mm 3mm; margin: 2mm 0; }
figure { margin: 0 0 5mm 0; }
figure svg { display: block; width: 100%; height: auto; }
figcaption { font-size: 9pt; color: #333; margin-top: 1mm; }
footer { margin-top: 8mm; font-size: 8.5pt; color: #555; border-top: 1px solid #ccc; padding-top: 2mm; }
@media print {
  html { background: #fff; }
  body { max-width: none; padding: 0; font-size: 10pt; }
  .warnings, .nowarnings, th, .note { -webkit-print-color-adjust: exact; print-color-adjust: exact; }
}
)";

} // namespace kavo
