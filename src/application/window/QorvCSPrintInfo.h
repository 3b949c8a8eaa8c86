#pragma once

#include "foundation/Value.h"

#include <string>
#include <string_view>

// Print settings as a dictionary, so that the settings a caller passes can be laid over the shared ones entry by
// entry. Lengths are in points (1/72 inch).
inline constexpr std::string_view QorvCSPrintPaperWidth = "PaperWidth";
inline constexpr std::string_view QorvCSPrintPaperHeight = "PaperHeight";
// The part of the page the output may cover, from the bottom left corner of the paper.
inline constexpr std::string_view QorvCSPrintImageableX = "ImageableX";
inline constexpr std::string_view QorvCSPrintImageableY = "ImageableY";
inline constexpr std::string_view QorvCSPrintImageableWidth = "ImageableWidth";
inline constexpr std::string_view QorvCSPrintImageableHeight = "ImageableHeight";
inline constexpr std::string_view QorvCSPrintHorizontallyCentered = "HorizontallyCentered";
inline constexpr std::string_view QorvCSPrintOrientation = "Orientation"; // "portrait" or "landscape"
inline constexpr std::string_view QorvCSPrintJobDisposition = "NSPrintJobDisposition";
inline constexpr std::string_view QorvCSPrintSaveJob = "NSPrintSaveJob";
inline constexpr std::string_view QorvCSPrintSpoolJob = "NSPrintSpoolJob";
inline constexpr std::string_view QorvCSPrintJobSavingURL = "NSPrintJobSavingURL";

// One print job, ready for the platform's print operation.
struct QorvCSPrintJob {
    double paperWidth = 0;
    double paperHeight = 0;
    bool landscape = false;
    double leftMargin = 0;
    double rightMargin = 0;
    double topMargin = 0;
    double bottomMargin = 0;
    bool horizontallyCentered = false;
    bool verticallyCentered = false;
    bool saveToFile = false; // a PDF file at savingPath instead of a printer
    std::string savingPath;
};

// Lays info over shared and computes the job: the margins are the larger unprintable border of each pair
// (left/right, top/bottom), never below 0, and vertical centring is off.
QorvCSPrintJob QorvCSMakePrintJob(const qorv::Value::Dictionary& shared, const qorv::Value::Dictionary& info);

// Default shared settings: the given paper with half-inch borders.
qorv::Value::Dictionary QorvCSDefaultPrintSettings(double paperWidth, double paperHeight);
