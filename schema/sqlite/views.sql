-- Views for the planners: the proposals, error rows and the staffing matrix
-- in readable form, and the short texts of the reason codes and error
-- numbers. They only read the tables as the program leaves them; nothing in
-- them writes.
--
-- Dates are shown as 'yyyy-mm-dd', times of day as 'HH:MM'. A stored time
-- outside 0..1439 minutes is shown as its number, so that a faulty row stays
-- visible as what it is. The views use none of the program's own SQL
-- functions, so that any SQLite client (sqlite3, the front end) can read them.
--
-- Load this file last, after schema.sql, indexes.sql and (for the older
-- layout) older_layout.sql: the views use only columns that both layouts have.

DROP VIEW IF EXISTS Planer_Besetzung;
DROP VIEW IF EXISTS Planer_Fehler;
DROP VIEW IF EXISTS Planer_Vorschlaege;
DROP VIEW IF EXISTS Planer_Codes;

------------------------------------------------------------------------------
-- Reason codes of the proposals (BdkFnr) and error numbers of the error
-- rows (ErrFnr), with their short texts.
------------------------------------------------------------------------------
CREATE VIEW Planer_Codes (Code, Art, Kurztext) AS
VALUES
    (0,    'Grund',  'keine Regel verletzt'),
    (1412, 'Grund',  'Schicht außerhalb des Arbeitszeitrahmens'),
    (1501, 'Grund',  'Schicht ragt über den Arbeitszeitrahmen'),
    (1511, 'Grund',  'Qualifikation fehlt'),
    (1521, 'Grund',  'Höchstarbeitszeit überschritten'),
    (1531, 'Grund',  'Ruhezeit zu kurz'),
    (1541, 'Grund',  'Überschneidung mit anderem Einsatz'),
    (1601, 'Fehler', 'unbesetzt trotz Bedarf'),
    (1602, 'Fehler', 'unter Mindestbesetzung'),
    (1603, 'Fehler', 'unter Sollbesetzung'),
    (1604, 'Fehler', 'über Sollbesetzung'),
    (1605, 'Fehler', 'über Höchstbesetzung');

------------------------------------------------------------------------------
-- One row per proposal: from which slot to which slot, who, why, state.
------------------------------------------------------------------------------
CREATE VIEW Planer_Vorschlaege AS
SELECT
    b.BdkPlg                                  AS Plangruppe,
    strftime('%Y-%m-%d', b.BdkBdt)            AS Datum,
    b.BdkPnr                                  AS Person,
    b.BdkEso                                  AS VonEinheit,
    b.BdkEsa                                  AS VonArbeitsplatz,
    b.BdkBsz                                  AS VonSchicht,
    CASE WHEN b.BdkSzv BETWEEN 0 AND 1439 THEN printf('%02d:%02d', b.BdkSzv / 60, b.BdkSzv % 60)
         ELSE CAST(b.BdkSzv AS TEXT) END      AS VonBeginn,
    CASE WHEN b.BdkSzb BETWEEN 0 AND 1439 THEN printf('%02d:%02d', b.BdkSzb / 60, b.BdkSzb % 60)
         ELSE CAST(b.BdkSzb AS TEXT) END      AS VonEnde,
    b.BdkOso                                  AS NachEinheit,
    b.BdkOsa                                  AS NachArbeitsplatz,
    b.BdkOsz                                  AS NachSchicht,
    CASE WHEN b.BdkOsv BETWEEN 0 AND 1439 THEN printf('%02d:%02d', b.BdkOsv / 60, b.BdkOsv % 60)
         ELSE CAST(b.BdkOsv AS TEXT) END      AS NachBeginn,
    CASE WHEN b.BdkOsb BETWEEN 0 AND 1439 THEN printf('%02d:%02d', b.BdkOsb / 60, b.BdkOsb % 60)
         ELSE CAST(b.BdkOsb AS TEXT) END      AS NachEnde,
    b.BdkAsw                                  AS Schichtart,
    b.BdkOsw                                  AS NachSchichtart,
    b.BdkFnr                                  AS Grund,
    c.Kurztext                                AS Grundtext,
    b.BdkSta                                  AS Status,
    b.BdkErf                                  AS Herkunft,
    strftime('%Y-%m-%d %H:%M:%S', b.BdkDat)   AS Erstellt,
    b.BdkKey                                  AS Schluessel,
    b.BdkLfd                                  AS Lfd
FROM Dvm735Bdk b
LEFT JOIN Planer_Codes c ON c.Art = 'Grund' AND c.Code = b.BdkFnr;

------------------------------------------------------------------------------
-- One row per error row, with the text of its error number.
------------------------------------------------------------------------------
CREATE VIEW Planer_Fehler AS
SELECT
    e.ErrPlg                                  AS Plangruppe,
    e.ErrKng                                  AS Liste,
    e.ErrLfn                                  AS Lfn,
    strftime('%Y-%m-%d', e.ErrBdt)            AS Datum,
    e.ErrEso                                  AS Einheit,
    e.ErrEsa                                  AS Arbeitsplatz,
    e.ErrKnz                                  AS Schicht,
    CASE WHEN e.ErrZtv BETWEEN 0 AND 1439 THEN printf('%02d:%02d', e.ErrZtv / 60, e.ErrZtv % 60)
         ELSE CAST(e.ErrZtv AS TEXT) END      AS Beginn,
    CASE WHEN e.ErrZtb BETWEEN 0 AND 1439 THEN printf('%02d:%02d', e.ErrZtb / 60, e.ErrZtb % 60)
         ELSE CAST(e.ErrZtb AS TEXT) END      AS Ende,
    e.ErrFnr                                  AS Fehler,
    c.Kurztext                                AS Fehlertext,
    e.ErrPnr                                  AS Person,
    strftime('%Y-%m-%d %H:%M:%S', e.ErrDat)   AS Erstellt
FROM Dvm746Err e
LEFT JOIN Planer_Codes c ON c.Art = 'Fehler' AND c.Code = e.ErrFnr;

------------------------------------------------------------------------------
-- The staffing matrix. Effektiv is the effective staffing of the error
-- review: actual staff less function code 1, less the smaller of function
-- codes 2 and 3. EffektivNach adds the open proposals of the optimisation
-- into the slot and subtracts those out of it, counted as the recount
-- counts them. Klasse compares a staffing with target, minimum and maximum
-- as the error review does, so that Klasse is other than 'ausgeglichen'
-- exactly where the review writes an error row; Stufe is the same class as
-- a number from -2 (below minimum) to 2 (above maximum). A NULL count reads
-- as 0, as the program reads it.
------------------------------------------------------------------------------
CREATE VIEW Planer_Besetzung AS
SELECT
    Plangruppe, Datum, Einheit, Arbeitsplatz, Schicht, Beginn, Ende, Schichtart,
    Soll, Minimum, Maximum, Ist, Effektiv,
    CASE WHEN Effektiv < s AND Effektiv < n THEN -2 WHEN Effektiv < s THEN -1
         WHEN Effektiv = s THEN 0 WHEN Effektiv <= x THEN 1 ELSE 2 END AS Stufe,
    CASE WHEN Effektiv < s AND Effektiv < n THEN 'unter Minimum' WHEN Effektiv < s THEN 'unter Soll'
         WHEN Effektiv = s THEN 'ausgeglichen' WHEN Effektiv <= x THEN 'über Soll'
         ELSE 'über Maximum' END AS Klasse,
    Abweichung, VorschlaegeAus, VorschlaegeEin,
    Effektiv + VorschlaegeEin - VorschlaegeAus AS EffektivNach,
    CASE WHEN Effektiv + VorschlaegeEin - VorschlaegeAus < s
               AND Effektiv + VorschlaegeEin - VorschlaegeAus < n THEN -2
         WHEN Effektiv + VorschlaegeEin - VorschlaegeAus < s THEN -1
         WHEN Effektiv + VorschlaegeEin - VorschlaegeAus = s THEN 0
         WHEN Effektiv + VorschlaegeEin - VorschlaegeAus <= x THEN 1 ELSE 2 END AS StufeNach,
    CASE WHEN Effektiv + VorschlaegeEin - VorschlaegeAus < s
               AND Effektiv + VorschlaegeEin - VorschlaegeAus < n THEN 'unter Minimum'
         WHEN Effektiv + VorschlaegeEin - VorschlaegeAus < s THEN 'unter Soll'
         WHEN Effektiv + VorschlaegeEin - VorschlaegeAus = s THEN 'ausgeglichen'
         WHEN Effektiv + VorschlaegeEin - VorschlaegeAus <= x THEN 'über Soll'
         ELSE 'über Maximum' END AS KlasseNach
FROM (
    SELECT
        m.BsmPlg                                  AS Plangruppe,
        strftime('%Y-%m-%d', m.BsmBdt)            AS Datum,
        m.BsmEso                                  AS Einheit,
        m.BsmEsa                                  AS Arbeitsplatz,
        m.BsmBsz                                  AS Schicht,
        CASE WHEN m.BsmSzv BETWEEN 0 AND 1439 THEN printf('%02d:%02d', m.BsmSzv / 60, m.BsmSzv % 60)
             ELSE CAST(m.BsmSzv AS TEXT) END      AS Beginn,
        CASE WHEN m.BsmSzb BETWEEN 0 AND 1439 THEN printf('%02d:%02d', m.BsmSzb / 60, m.BsmSzb % 60)
             ELSE CAST(m.BsmSzb AS TEXT) END      AS Ende,
        m.BsmAsw                                  AS Schichtart,
        coalesce(m.BsmSol, 0)                     AS Soll,
        coalesce(m.BsmMin, 0)                     AS Minimum,
        coalesce(m.BsmMax, 0)                     AS Maximum,
        coalesce(m.BsmIst, 0)                     AS Ist,
        coalesce(m.BsmIst, 0) - coalesce(m.BsmHtg, 0)
            - min(coalesce(m.BsmHtv, 0), coalesce(m.BsmHtn, 0)) AS Effektiv,
        coalesce(m.BsmSol, 0)                     AS s,
        coalesce(m.BsmMin, 0)                     AS n,
        coalesce(m.BsmMax, 0)                     AS x,
        coalesce(m.BsmFkt, 0)                     AS Abweichung,
        (SELECT count(*) FROM Dvm735Bdk a
          WHERE a.BdkEso = m.BsmEso AND a.BdkEsa = m.BsmEsa AND a.BdkBdt = m.BsmBdt
            AND a.BdkSzv = m.BsmSzv AND a.BdkAsw = m.BsmAsw
            AND a.BdkErf = 'OPTIMIERUNG' AND a.BdkSta = 9) AS VorschlaegeAus,
        (SELECT count(*) FROM Dvm735Bdk z
          WHERE z.BdkOso = m.BsmEso AND z.BdkOsa = m.BsmEsa AND z.BdkBdt = m.BsmBdt
            AND z.BdkOsv = m.BsmSzv AND z.BdkOsw = m.BsmAsw
            AND z.BdkErf = 'OPTIMIERUNG' AND z.BdkSta = 9) AS VorschlaegeEin
    FROM Dvm725Bsm m
) b;
