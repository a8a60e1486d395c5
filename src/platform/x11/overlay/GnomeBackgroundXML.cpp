#include "platform/x11/overlay/GnomeBackgroundXML.h"

#include <QString>
#include <QXmlStreamReader>
#include <algorithm>
#include <cmath>

namespace brindlow {

namespace {

constexpr double kDay = 24 * 60 * 60;
// A slideshow with very short slides would otherwise list thousands of entries.
constexpr std::size_t kMostEntries = 1440;

struct Slide {
    std::string file;
    double start = 0;  // seconds into the cycle
};

int indexOf(std::vector<std::string>& files, const std::string& file) {
    auto found = std::find(files.begin(), files.end(), file);
    if (found != files.end()) return int(found - files.begin());
    files.push_back(file);
    return int(files.size()) - 1;
}

std::optional<GnomeBackground> readWallpapers(QXmlStreamReader& xml) {
    std::string light, dark;
    while (xml.readNextStartElement()) {
        if (xml.name() != u"wallpaper") {
            xml.skipCurrentElement();
            continue;
        }
        while (xml.readNextStartElement()) {
            if (xml.name() == u"filename") {
                light = xml.readElementText().trimmed().toStdString();
            } else if (xml.name() == u"filename-dark") {
                dark = xml.readElementText().trimmed().toStdString();
            } else {
                xml.skipCurrentElement();
            }
        }
        // The first wallpaper of the list is the one described.
        break;
    }
    if (light.empty()) return std::nullopt;
    return GnomeBackground::appearancePair(light, dark);
}

double readStartTime(QXmlStreamReader& xml) {
    double hour = 0, minute = 0, second = 0;
    while (xml.readNextStartElement()) {
        const QString value = xml.readElementText().trimmed();
        if (xml.name() == u"hour") hour = value.toDouble();
        if (xml.name() == u"minute") minute = value.toDouble();
        if (xml.name() == u"second") second = value.toDouble();
    }
    return hour * 3600 + minute * 60 + second;
}

// A slide's <file>: either the path itself, or <size width= height=> variants of one picture,
// of which the one nearest the display's size is taken (the largest when the size is unknown).
std::string readFile(QXmlStreamReader& xml, Size display) {
    std::string plain;
    std::string chosen;
    double chosenDistance = 0;
    double chosenArea = 0;
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::EndElement) break;
        if (token == QXmlStreamReader::Characters) {
            plain += xml.text().toString().toStdString();
            continue;
        }
        if (token != QXmlStreamReader::StartElement) continue;
        if (xml.name() != u"size") {
            xml.skipCurrentElement();
            continue;
        }
        const double width = xml.attributes().value(QStringLiteral("width")).toDouble();
        const double height = xml.attributes().value(QStringLiteral("height")).toDouble();
        const std::string path = xml.readElementText().trimmed().toStdString();
        if (path.empty()) continue;
        const bool known = display.width > 0 && display.height > 0;
        const double distance =
            known ? std::abs(width - display.width) + std::abs(height - display.height) : 0;
        const double area = width * height;
        // Nearer wins; of two as near, the larger, which scales down rather than up.
        if (chosen.empty() || distance < chosenDistance ||
            (distance == chosenDistance && area > chosenArea)) {
            chosen = path;
            chosenDistance = distance;
            chosenArea = area;
        }
    }
    return chosen.empty() ? QString::fromStdString(plain).trimmed().toStdString() : chosen;
}

std::optional<GnomeBackground> readSlideshow(QXmlStreamReader& xml, Size display) {
    double start = 0;
    double at = 0;
    std::vector<Slide> slides;
    while (xml.readNextStartElement()) {
        if (xml.name() == u"starttime") {
            start = readStartTime(xml);
        } else if (xml.name() == u"static" || xml.name() == u"transition") {
            const bool still = xml.name() == u"static";
            double duration = 0;
            std::string file;
            while (xml.readNextStartElement()) {
                if (xml.name() == u"duration") {
                    duration = xml.readElementText().trimmed().toDouble();
                } else if (still && xml.name() == u"file") {
                    file = readFile(xml, display);
                } else {
                    xml.skipCurrentElement();
                }
            }
            if (still && !file.empty()) slides.push_back({file, at});
            at += std::max(0.0, duration);
        } else {
            xml.skipCurrentElement();
        }
    }
    if (slides.empty()) return std::nullopt;
    GnomeBackground background;
    if (slides.size() == 1 || !(at > 0)) {
        background.files.push_back(slides.front().file);
        return background;
    }
    nlohmann::json entries = nlohmann::json::array();
    // Repeat the cycle from its start time until a day is covered.
    for (double cycle = 0; cycle < kDay && entries.size() < kMostEntries; cycle += at) {
        for (const Slide& slide : slides) {
            if (cycle + slide.start >= kDay || entries.size() >= kMostEntries) break;
            const double time = std::fmod(start + cycle + slide.start, kDay);
            entries.push_back({{"t", time / kDay}, {"i", indexOf(background.files, slide.file)}});
        }
    }
    background.metadata = {{"h24", {{"ti", entries}}}};
    return background;
}

}  // namespace

GnomeBackground GnomeBackground::appearancePair(const std::string& light, const std::string& dark) {
    GnomeBackground background;
    background.files.push_back(light);
    if (!dark.empty() && dark != light) {
        background.files.push_back(dark);
        background.metadata = {{"apr", {{"l", 0}, {"d", 1}}}};
    }
    return background;
}

std::optional<GnomeBackground> parseGnomeBackground(const std::string& text, Size display) {
    QXmlStreamReader xml(QByteArray::fromStdString(text));
    if (!xml.readNextStartElement()) return std::nullopt;
    std::optional<GnomeBackground> background;
    if (xml.name() == u"wallpapers") {
        background = readWallpapers(xml);
    } else if (xml.name() == u"background") {
        background = readSlideshow(xml, display);
    }
    if (xml.hasError() && xml.error() != QXmlStreamReader::PrematureEndOfDocumentError &&
        !background) {
        return std::nullopt;
    }
    return background;
}

}  // namespace brindlow
