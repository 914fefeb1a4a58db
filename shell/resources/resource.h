// Resource and control identifiers shared by the resource script and the dialog procedures
// (the front-ends learn them from the resources). Plain #defines so that the resource compiler
// can read this file too.
#pragma once

#define IDD_MONITOR 201
#define IDD_TARGET 202

#define IDI_ONLINE 100
#define IDI_OFFLINE 101

#define IDR_TRAYMENU 229
#define IDM_SHOW 203
#define IDM_HIDE 204
#define IDM_EXIT 205

#define IDC_HIDE 1000
#define IDC_POWERON_COUNT 1010
#define IDC_PRIMARY 2000
#define IDC_SECONDARY 2001
#define IDC_TONER 2002
#define IDC_PAGECOUNT 2003
#define IDC_TARGET_EDIT 3000
#define IDC_UPDATE_TARGET 3001
#define IDC_PRIMARY_LABEL 3002
