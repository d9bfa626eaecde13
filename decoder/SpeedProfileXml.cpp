// A locomotive's measured curve as the speed profile JMRI keeps in a roster entry.
#include "SpeedProfileXml.h"

#include <QIODevice>
#include <QXmlStreamWriter>

#include <cmath>
#include <map>

double ModelMmPerSecond(double scaleMph, double ratio)
{
    return scaleMph / (ratio * 0.00223694);
}

int ThrottleThousandths(int step, int stepMode)
{
    return static_cast<int>(std::lround(step * 1000.0 / TopDecoderStep(stepMode)));
}

bool WriteSpeedProfile(QIODevice& out, const MeasuredCurve& curve, int stepMode, double ratio)
{
    std::map<int, std::pair<double, double>> speeds;  // by step: forward, reverse in mm/s
    for (const bool reverse : {false, true}) {
        for (const CurveSample& sample : curve.Way(reverse)) {
            auto& both = speeds[sample.step];
            (reverse ? both.second : both.first) = ModelMmPerSecond(sample.mph, ratio);
        }
    }
    QXmlStreamWriter xml(&out);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("speedprofile"));
    xml.writeTextElement(QStringLiteral("overRunTimeForward"), QStringLiteral("0.0"));
    xml.writeTextElement(QStringLiteral("overRunTimeReverse"), QStringLiteral("0.0"));
    xml.writeStartElement(QStringLiteral("speeds"));
    for (const auto& [step, both] : speeds) {
        xml.writeStartElement(QStringLiteral("speed"));
        xml.writeTextElement(QStringLiteral("step"), QString::number(ThrottleThousandths(step, stepMode)));
        xml.writeTextElement(QStringLiteral("forward"), QString::number(both.first, 'f', 2));
        xml.writeTextElement(QStringLiteral("reverse"), QString::number(both.second, 'f', 2));
        xml.writeEndElement();
    }
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeEndDocument();
    return !xml.hasError();
}
