-- K408020 tables for SQLite (through the SQLite3 ODBC driver).
-- Apply with:  sqlite3 k408020.db < db/sqlite/schema.sql
--
-- The file can be applied again: it creates only what is missing and adds a
-- send/receive type only where no row of the kind has its code. SQLite cannot
-- add a column only where it is missing, so a 区分マスタ made by another
-- program with the code column spelt 区分コード only needs the half-width
-- spelling added once, by hand, before this file is applied:
--   ALTER TABLE 区分マスタ
--       ADD COLUMN 区分ｺｰﾄﾞ VARCHAR(10) GENERATED ALWAYS AS (区分コード) VIRTUAL;

-- Which trading partner exchanges which information classification in which
-- direction; the three columns together identify a row.
CREATE TABLE IF NOT EXISTS FL1914利用情報区分マスタ (
    相手先企業コード VARCHAR(12) NOT NULL,
    送受信種別       VARCHAR(1)  NOT NULL,
    情報区分コード   VARCHAR(4)  NOT NULL,
    PRIMARY KEY (相手先企業コード, 送受信種別, 情報区分コード)
);

-- Names of the codes of each classification kind. The code column is
-- reachable under both spellings the statements use: 区分コード (full-width
-- katakana) and 区分ｺｰﾄﾞ (half-width), the latter computed from the former.
-- No key over kind and code: the name lookup takes the first row it finds.
CREATE TABLE IF NOT EXISTS 区分マスタ (
    区分       VARCHAR(20) NOT NULL,
    区分コード VARCHAR(10) NOT NULL,
    区分名称   VARCHAR(40),
    区分ｺｰﾄﾞ   VARCHAR(10) GENERATED ALWAYS AS (区分コード) VIRTUAL
);
CREATE INDEX IF NOT EXISTS 区分マスタ_区分コード ON 区分マスタ (区分, 区分コード);

-- The send/receive types, each only where the kind has no row with its code.
INSERT INTO 区分マスタ (区分, 区分コード, 区分名称)
    SELECT '送受信種別', '1', '送信'
     WHERE NOT EXISTS (SELECT 1 FROM 区分マスタ WHERE 区分 = '送受信種別' AND 区分コード = '1');
INSERT INTO 区分マスタ (区分, 区分コード, 区分名称)
    SELECT '送受信種別', '2', '受信'
     WHERE NOT EXISTS (SELECT 1 FROM 区分マスタ WHERE 区分 = '送受信種別' AND 区分コード = '2');
