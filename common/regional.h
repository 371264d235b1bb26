#pragma once

#include <QChar>

// The process-wide regional settings the number helpers read. On Windows they come from the
// user's regional settings and are taken again on every settings-change notice; elsewhere
// they are "." and "," unless the program sets them (the tests try ",").
QChar DecimalSeparator();
QChar ThousandsSeparator();
void SetDecimalSeparator(QChar separator);
void SetThousandsSeparator(QChar separator);

// Takes the settings again from the platform. Off Windows there is nothing to read and the
// current settings stay.
void LoadRegionalSettings();

// Called once at start-up, with the application made: takes the settings now and, on Windows,
// again whenever the desktop announces a change of the regional settings, so a change made in
// the control panel applies to the next conversion.
void FollowRegionalSettings();
