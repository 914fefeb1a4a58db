// Resource and control identifiers shared by the resource script and the dialog procedures
// (the front-ends learn them from the resources). Plain #defines so that the resource compiler
// can read this file too.
#pragma once

#define IDD_MONITOR 201
#define IDD_TARGET 202
#define IDD_DETAILS 207

#define IDI_ONLINE 100
#define IDI_OFFLINE 101

#define IDR_TRAYMENU 229
#define IDM_SHOW 203
#define IDM_HIDE 204
#define IDM_EXIT 205
#define IDM_DETAILS 206

#define IDC_HIDE 1000
#define IDC_POWERON_COUNT 1010
#define IDC_PRIMARY 2000
#define IDC_SECONDARY 2001
#define IDC_TONER 2002
#define IDC_PAGECOUNT 2003
#define IDC_TARGET_EDIT 3000
#define IDC_UPDATE_TARGET 3001
#define IDC_PRIMARY_LABEL 3002

// The details window: the printer's whole condition. A supply row i (0 to
// DETAILS_SUPPLY_ROWS - 1) is the controls NAME + i, BAR + i and LEVEL + i.
#define IDC_DETAILS_HEALTH 4000
#define IDC_DETAILS_REASONS 4001
#define IDC_DETAILS_DEVICE 4002
#define IDC_DETAILS_PRINTER 4003
#define IDC_DETAILS_SERIAL 4004
#define IDC_DETAILS_SUPPLY_NAME 4010
#define IDC_DETAILS_SUPPLY_BAR 4020
#define IDC_DETAILS_SUPPLY_LEVEL 4030
#define DETAILS_SUPPLY_ROWS 8
#define IDC_DETAILS_TRAYS 4040
#define IDC_DETAILS_ALERTS 4041
#define IDC_DETAILS_PAGES 4042
#define IDC_DETAILS_READ_AT 4043
