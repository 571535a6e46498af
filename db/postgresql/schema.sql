-- K408020 tables for PostgreSQL (through psqlODBC). The database must use the
-- UTF8 encoding. Apply with:  psql -d <database> -f db/postgresql/schema.sql
-- Names are not quoted, as in the program's statements, so PostgreSQL folds
-- their ASCII letters to lower case consistently (fl1914利用情報区分マスタ).

-- Which trading partner exchanges which information classification in which
-- direction; the three columns together identify a row.
CREATE TABLE FL1914利用情報区分マスタ (
    相手先企業コード VARCHAR(12) NOT NULL,
    送受信種別       VARCHAR(1)  NOT NULL,
    情報区分コード   VARCHAR(4)  NOT NULL,
    PRIMARY KEY (相手先企業コード, 送受信種別, 情報区分コード)
);

-- Names of the codes of each classification kind. The code column is
-- reachable under both spellings the statements use: 区分コード (full-width
-- katakana) and 区分ｺｰﾄﾞ (half-width), the latter computed from the former.
-- No key over kind and code: the name lookup takes the first row it finds.
CREATE TABLE 区分マスタ (
    区分       VARCHAR(20) NOT NULL,
    区分コード VARCHAR(10) NOT NULL,
    区分名称   VARCHAR(40),
    区分ｺｰﾄﾞ   VARCHAR(10) GENERATED ALWAYS AS (区分コード) STORED
);
CREATE INDEX 区分マスタ_区分コード ON 区分マスタ (区分, 区分コード);

-- The send/receive types.
INSERT INTO 区分マスタ (区分, 区分コード, 区分名称) VALUES ('送受信種別', '1', '送信');
INSERT INTO 区分マスタ (区分, 区分コード, 区分名称) VALUES ('送受信種別', '2', '受信');
