// Every numbered text the program looks up in section "String" of the language file, so a test can
// check that the shipped language file answers each one. Add a number here when code starts using it.
#pragma once

#include <array>
#include <string_view>

namespace lang {

inline constexpr auto kMessageNumbers = std::to_array<std::string_view>({
    // The translator's name, shown in the About window.
    "Autor",
    // Image information tree: root, file, width, height, bit depth, resolution.
    "118", "110", "111", "112", "113", "114",
    // Hints of the drawing commands of the drop-down tool buttons.
    "200", "201", "202", "203", "206", "207", "208", "209", "210", "212", "213", "214", "215", "216",
    "217", "222", "223", "243", "244", "245", "246", "247", "248",
    // Scale page: the X label for uniform and for separate factors.
    "310", "311",
    // Open and save: status texts and the unsupported file type.
    "400", "401", "402",
    // Start-up status text (also the bolt-circle page).
    "406",
    // Deleting small entities: the count.
    "411",
    // Page status texts.
    "415", "416", "421", "422", "423", "424", "425", "426", "427", "428", "446", "470", "471", "472",
    "473", "474", "475", "476", "477", "478", "479", "480", "481", "482", "483", "484", "485",
    // Confirmations: the caption, leaving the program, discarding the job.
    "450", "451", "452",
    // NC file filter.
    "701",
    // Tool summary on the tool page.
    "707", "708", "709", "711", "712", "713", "714",
    // NC listing: line counter.
    "717",
    // Tool window: the flat-diameter label of conical tools.
    "718", "719",
    // Tool window captions (compact and full).
    "750", "751",
    // "Z no cut": outside the relief, the pick button before a pick.
    "752", "753",
    // "Z no cut": the prompt of the pick.
    "1650",
    // Machining time estimate.
    "754",
    // Backplot of a dialect that cannot be simulated.
    "782",
    // The program's own messages, labels and refusals (see english.lng's comments).
    "1000", "1001", "1002", "1003", "1004", "1005", "1006", "1007", "1008", "1009", "1010", "1011", "1012",
    "1013", "1014", "1015", "1016", "1017", "1018", "1019", "1020", "1021", "1022", "1023", "1024", "1025",
    "1026", "1027", "1028", "1029", "1030", "1031", "1032", "1033", "1034", "1035", "1036", "1037", "1038",
    "1039", "1045", "1046", "1047", "1048", "1049", "1050", "1051", "1052", "1060", "1061", "1062", "1063",
    "1064", "1065", "1066", "1067", "1068", "1069", "1070", "1071", "1072", "1073", "1074", "1080", "1081",
    "1082", "1083", "1084", "1090", "1091", "1092", "1093", "1094", "1095", "1096", "1097", "1098", "1100",
    "1101", "1102", "1103", "1104", "1105", "1106", "1107", "1108", "1109", "1110", "1111", "1112", "1113",
    "1114", "1115", "1116", "1150", "1151", "1152", "1153", "1154", "1155", "1160", "1161", "1162", "1163",
    "1164", "1165", "1166", "1167", "1168", "1169", "1170", "1171", "1172", "1173", "1174", "1175", "1176",
    "1177", "1178", "1179", "1180", "1181", "1182", "1183", "1184", "1185", "1186", "1187", "1188", "1190",
    "1191", "1192", "1193", "1194", "1195", "1196", "1197", "1198", "1199", "1200", "1201", "1202", "1203",
    "1204", "1205", "1206", "1207", "1208", "1209", "1210", "1211", "1212", "1213", "1214", "1220", "1221",
    "1222", "1223", "1224", "1225", "1226", "1227", "1228", "1230", "1231", "1232", "1233", "1234", "1235",
    "1236", "1240", "1241", "1242", "1243", "1244", "1245", "1246", "1247", "1248", "1249", "1250", "1251",
    "1252", "1253", "1254", "1255", "1300", "1301", "1302", "1303", "1304", "1305", "1306", "1310", "1311",
    "1312", "1313", "1314", "1315", "1316", "1317", "1318", "1319", "1320", "1321", "1330", "1331", "1332",
    "1333", "1334", "1335", "1336", "1338", "1339", "1340", "1350", "1351", "1352", "1353", "1354",
    "1355", "1356", "1357", "1358", "1359", "1360", "1361", "1362", "1363", "1364", "1365", "1366", "1367",
    "1368", "1369", "1370", "1371", "1375", "1376", "1377", "1378", "1379", "1380", "1385", "1386", "1387",
    "1388", "1389", "1390",
    // Saves: a folder or another kind of target, a pipe nobody reads, one that stopped taking data or
    // lost its reader, the NC file a document named, not chosen in this session.
    "1600", "1601", "1602", "1603", "1604", "1605",
    // The 2D view's perpendicular line and touching circle: prompts and why nothing was drawn.
    "1550", "1551", "1552", "1553", "1554", "1555",
    // The 3D view: the colour dialog's caption, a surface drawn coarser than asked, a surface that
    // could not be drawn (no memory, another failure).
    "1500", "1501", "1502", "1503",
    // A file opened for reading that is no regular file.
    "1800",
    // Captions of message boxes that do not ask: error, warning, information.
    "1720", "1721", "1722",
    // The perpendicular and the touching circle: an ellipse picked, a result too large.
    "1700", "1701",
    // What is drawn on the 2D view, before a re-placement or leaving removes it.
    "1760", "1761", "1762", "1763",
    // Memory that runs out: the work, the listing, Calculate, Open, and the 3D view's context.
    "1780", "1781", "1782", "1783", "1784", "1785",
});

}  // namespace lang
